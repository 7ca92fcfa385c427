// Snapshots: restored at step S of the automatic run, the run goes on exactly as without the
// round trip; the same state gives the same bytes; a damaged file changes nothing.
#include <gtest/gtest.h>

#include "debug/snapshot.hpp"
#include "tests/debug/board.hpp"
#include "tests/board/machine_diff.hpp"

namespace kv74::debug::testing {
namespace {

constexpr std::uint64_t kAt = 1200000, kOn = 3000000;

// Byte offsets: the machine section's body, its sequencer state, the panel section's tag.
constexpr std::size_t kMachineAt = 20 + 8;
constexpr std::size_t kSeqStateAt =
    2 * (reg::COUNT + PROGRAM_WORDS + DATA_WORDS + TABLE_WORDS) + 2 + 2 + 4 + 2 + 2 + 18 + 2 + 2;
std::size_t PanelAt(const std::vector<std::uint8_t>& s) {
  const char tag[] = "PANL";
  return static_cast<std::size_t>(std::search(s.begin(), s.end(), tag, tag + 4) - s.begin());
}

TEST(Snapshot, RestoredRunGoesOnAsThePlainRun) {
  Board plain;
  plain.engine.Continue(kAt);
  const std::uint64_t linesAt = plain.logic.Trace().Lines();
  plain.engine.SaveSnapshotFile(plain.dir / "at.snap");
  EXPECT_EQ(plain.engine.SaveSnapshot(), plain.engine.SaveSnapshot());
  plain.engine.Continue(kOn);

  Board restored;
  restored.engine.LoadSnapshotFile(plain.dir / "at.snap");
  EXPECT_EQ(restored.engine.Steps(), kAt);
  restored.engine.Continue(kOn);
  EXPECT_EQ(MachineDifference(restored.m, plain.m), "");
  EXPECT_EQ(restored.target.SavePanel(), plain.target.SavePanel());
  EXPECT_EQ(restored.engine.Clicks().Log(), plain.engine.Clicks().Log());
  // prog.txt of the restored run holds the lines after the snapshot's.
  std::string tail = plain.Trace();
  for (std::uint64_t i = 0; i < linesAt; ++i) tail.erase(0, tail.find('\n') + 1);
  EXPECT_FALSE(tail.empty());
  EXPECT_EQ(restored.Trace(), tail);
}

TEST(Snapshot, DamagedFilesChangeNothing) {
  Board b;
  b.engine.Continue(300000);
  const std::vector<std::uint8_t> good = b.engine.SaveSnapshot();
  auto crcFixed = [](std::vector<std::uint8_t> s) {
    const auto crc = Crc32(std::span(s).subspan(20));
    for (int i = 0; i < 4; ++i) s[16 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
    return s;
  };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Case> cases = {
      {"empty", {}},
      {"magic",
       [&] {
         auto s = good;
         s[0] = 'X';
         return s;
       }()},
      {"version",
       [&] {
         auto s = good;
         s[8] = 2;
         return s;
       }()},
      {"truncated", {good.begin(), good.end() - 1}},
      {"trailing",
       [&] {
         auto s = good;
         s.push_back(0);
         return s;
       }()},
      {"checksum",
       [&] {
         auto s = good;
         s[100] ^= 1;
         return s;
       }()},
      {"sequencer state",
       [&] {
         auto s = good;
         s[kMachineAt + kSeqStateAt] = 9;
         return crcFixed(s);
       }()},
      {"panel controls",
       [&] {
         auto s = good;
         s[PanelAt(s) + 8] ^= 0x40;
         return crcFixed(s);
       }()},
  };
  Board other;
  other.engine.Continue(1000);
  auto before = std::make_unique<BoardState>();
  CopyMachine(*before, other.m);
  const auto panel = other.target.SavePanel();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THROW(other.engine.LoadSnapshot(c.bytes), SnapshotError);
    EXPECT_EQ(MachineDifference(other.m, *before), "");
    EXPECT_EQ(other.target.SavePanel(), panel);
    EXPECT_EQ(other.engine.Steps(), 1000u);
  }
  other.engine.LoadSnapshot(good);
  EXPECT_EQ(other.engine.Steps(), 300000u);
  EXPECT_EQ(MachineDifference(other.m, b.m), "");
}

}  // namespace
}  // namespace kv74::debug::testing
