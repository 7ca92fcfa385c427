// The bundled firmware and its variants, analysed as bare images (with the table and RAM
// images), measured against their real debug information: docs/analysing-images.md states
// these figures.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "analysis/analysis.hpp"
#include "analysis/truth.hpp"
#include "debuginfo/debug_info.hpp"

namespace kv74::ana {
namespace {

std::vector<std::uint16_t> Words(const std::string& name) {
  std::ifstream in(std::string(KV74_SOURCE_DIR) + "/data/" + name, std::ios::binary);
  std::vector<std::uint16_t> words;
  char pair[2];
  while (in.read(pair, 2))
    words.push_back(static_cast<std::uint16_t>(static_cast<std::uint8_t>(pair[0]) |
                                               static_cast<std::uint8_t>(pair[1]) << 8));
  return words;
}

TEST(Truth, BundledFirmwareAndVariants) {
  for (const char* variant : {"V4", "V0", "V2", "V3"}) {
    SCOPED_TRACE(variant);
    auto memory = std::make_unique<Memory>();
    memory->Load(0x7000, Words("AMT"));
    memory->Load(0x4000, Words("RAM"));
    const std::vector<std::uint16_t> program = Words(variant);
    ASSERT_EQ(program.size(), 0x2000u);
    memory->Load(0, program);
    const auto result = std::make_unique<Result>(Analyze(*memory, {}));
    const dbg::DebugInfo truth =
        dbg::ReadDebugInfo(std::string(KV74_SOURCE_DIR) + "/data/" + variant + ".debug.json");
    const Figures f = Compare(*memory, *result, truth, 0, 0x2000);
    std::printf("%s\n%s", variant, FiguresText(f).c_str());
    EXPECT_GE(f.instructionsAsCode * 100, f.instructionWords * 98);
    EXPECT_GE(f.dataAsData * 100, f.dataWords * 98);
    EXPECT_EQ(f.dataAsCode, 0);
    EXPECT_EQ(f.unusedAsCode, 0);
    EXPECT_EQ(f.calledLabelsFound, f.calledLabels);
    EXPECT_GT(f.calledLabels, 50);
  }
}

}  // namespace
}  // namespace kv74::ana
