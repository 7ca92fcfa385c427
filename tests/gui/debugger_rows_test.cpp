// The disassembly's rows over the bundled firmware and its variants: every instruction of the
// line table is one row, no row starts inside one, and the rows reach the end of the space.
#include <gtest/gtest.h>

#include <memory>

#include "analysis/machine.hpp"
#include "board/image.hpp"
#include "debuginfo/debug_info.hpp"
#include "shell/debugger/row_map.hpp"

namespace kv74::shell::dbgwin {
namespace {

TEST(DebuggerRows, RowsStartAtInstructionStartsOnly) {
  for (const char* variant : {"V0", "V2", "V3", "V4"}) {
    SCOPED_TRACE(variant);
    const dbg::DebugInfo info =
        dbg::ReadDebugInfo(std::string(KV74_DATA_DIR "/") + variant + ".debug.json");
    const RowMap map(&info);
    int instructions = 0;
    for (const dbg::LineEntry& l : info.lines) {
      if (info.IsData(l.address)) continue;
      ++instructions;
      const int row = map.RowOf(l.address);
      ASSERT_EQ(map.Address(row), l.address);
      EXPECT_TRUE(map.IsCode(row));
      for (unsigned w = 1; w < l.size; ++w)  // the operand words belong to the same row
        EXPECT_EQ(map.RowOf(static_cast<std::uint16_t>(l.address + w)), row) << l.address;
    }
    // Every other row is one word: data or a word no instruction covers.
    int code = 0;
    for (int r = 0; r < map.Rows(); ++r) {
      if (map.IsCode(r)) {
        ++code;
      } else if (r + 1 < map.Rows()) {
        EXPECT_EQ(map.Address(r + 1), map.Address(r) + 1) << map.Address(r);
      }
    }
    EXPECT_EQ(code, instructions);
    EXPECT_GT(instructions, 100);
    EXPECT_EQ(map.Address(0), 0);
    EXPECT_EQ(map.RowOf(0xFFFF), map.Rows() - 1);
  }
}

// Without a debug-information file the window shows the image's analysis: its code rows are
// instruction starts of the real line table, never data.
TEST(DebuggerRows, AnalysedImageRowsAreRealInstructionStarts) {
  const dbg::DebugInfo real = dbg::ReadDebugInfo(KV74_DATA_DIR "/V4.debug.json");
  auto m = std::make_unique<BoardState>();
  LoadImages(*m, KV74_DATA_DIR);
  const dbg::DebugInfo analysed = ana::AnalyseMachine(*m);
  const RowMap map(&analysed);
  int code = 0;
  for (int r = 0; r < map.Rows(); ++r) {
    if (!map.IsCode(r)) continue;
    ++code;
    const std::uint16_t a = map.Address(r);
    const dbg::LineEntry* l = real.LineAt(a);
    ASSERT_NE(l, nullptr) << a;
    EXPECT_EQ(l->address, a);
    EXPECT_FALSE(real.IsData(a)) << a;
  }
  EXPECT_GT(code, 1000);
}

TEST(DebuggerRows, WithoutDebugInformationEveryWordIsARow) {
  const RowMap map(nullptr);
  EXPECT_EQ(map.Rows(), 0x10000);
  EXPECT_EQ(map.Address(0x1234), 0x1234);
  EXPECT_FALSE(map.IsCode(0x1234));
}

}  // namespace
}  // namespace kv74::shell::dbgwin
