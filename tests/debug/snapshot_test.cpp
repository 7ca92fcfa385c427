// Snapshots: restored at step S of the automatic run, the run goes on exactly as without the
// round trip; the same state gives the same bytes; a damaged file changes nothing; the checksum is
// the common CRC-32; a snapshot holds no clicks past its step.
#include <gtest/gtest.h>

#include "debug/snapshot.hpp"
#include "tests/board/machine_diff.hpp"
#include "tests/debug/board.hpp"

namespace kv74::debug::testing {
namespace {

constexpr std::uint64_t kAt = 1200000, kOn = 3000000;

// Byte offsets: the machine section's body, its sequencer state, the panel section's tag.
constexpr std::size_t kMachineAt = 20 + 8;
constexpr std::size_t kSeqStateAt =
    2 * (reg::COUNT + PROGRAM_WORDS + DATA_WORDS + TABLE_WORDS) + 2 + 2 + 4 + 2 + 2 + 18 + 2 + 2;
std::size_t SectionAt(const std::vector<std::uint8_t>& s, const char* tag) {
  return static_cast<std::size_t>(std::search(s.begin(), s.end(), tag, tag + 4) - s.begin());
}
std::size_t PanelAt(const std::vector<std::uint8_t>& s) { return SectionAt(s, "PANL"); }
// The click log's bytes: the first logged click's step, its name, the second click's step.
std::size_t FirstClickAt(const std::vector<std::uint8_t>& s) { return SectionAt(s, "CLIK") + 20; }
constexpr std::size_t kNameAt = 12, kSecondAt = 17;  // after "k0x2B"

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
      {"older version",
       [&] {
         auto s = good;
         s[8] = 0;
         return s;
       }()},
      {"click after the snapshot's step",
       [&] {
         auto s = good;
         s[FirstClickAt(s) + kSecondAt + 4] = 1;  // the last click, after step 2^32
         return crcFixed(s);
       }()},
      {"clicks out of order",
       [&] {
         auto s = good;
         s[FirstClickAt(s) + kSecondAt + 2] = 0;
         return crcFixed(s);
       }()},
      {"click on no control",
       [&] {
         auto s = good;
         s[FirstClickAt(s) + kNameAt] = 'z';
         return crcFixed(s);
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
  // A file cut off or with bytes after it is told as such, not as a corrupt one.
  auto trailing = good;
  trailing.push_back(0);
  for (const auto& [bytes, why] :
       {std::pair{std::vector(good.begin(), good.end() - 1), "truncated"},
        std::pair{trailing, "trailing bytes"}}) {
    try {
      other.engine.LoadSnapshot(bytes);
    } catch (const SnapshotError& e) {
      EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
    }
  }
  other.engine.LoadSnapshot(good);
  EXPECT_EQ(other.engine.Steps(), 300000u);
  EXPECT_EQ(MachineDifference(other.m, b.m), "");
  // Two clicks logged at one step are a good log.
  auto same = good;
  const std::size_t first = FirstClickAt(same);
  std::copy_n(same.begin() + first + kSecondAt, 8, same.begin() + first);
  other.engine.LoadSnapshot(crcFixed(same));
  ASSERT_EQ(other.engine.Clicks().Log().size(), 2u);
  EXPECT_EQ(other.engine.Clicks().Log()[0].step, other.engine.Clicks().Log()[1].step);
}

// A section or value that runs past the end of its bytes is refused, never read beyond.
TEST(Snapshot, ReadsPastTheEndFail) {
  const std::vector<std::uint8_t> three{1, 2, 3};
  ByteReader words(three, "x");
  EXPECT_THROW(words.U32(), SnapshotError);
  ByteReader bytes(three, "x");
  EXPECT_THROW(bytes.Bytes(4), SnapshotError);
}

// The checksum is the common CRC-32 (as zlib's and PNG's), so other tools can check a file.
TEST(Snapshot, ChecksumIsTheCommonCrc32) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc32(std::span(reinterpret_cast<const std::uint8_t*>(check.data()), check.size())),
            0xCBF43926u);
}

// A snapshot holds the clicks up to its step only, also when saved after going back, and the
// loaded step can be gone back to.
TEST(Snapshot, SavedAfterGoingBackHoldsNoUndoneClicks) {
  Board b(EngineOptions{50000, 64, 1000, true});
  b.engine.Continue(250000);
  b.engine.Back(100000);
  const std::vector<std::uint8_t> saved = b.engine.SaveSnapshot();
  Board other(EngineOptions{50000, 64, 1000, true});
  other.engine.LoadSnapshot(saved);
  ASSERT_EQ(other.engine.Clicks().Log().size(), 1u);  // the click at 100000, not the one at 200000
  EXPECT_EQ(other.engine.Clicks().Log()[0].step, 100000u);
  other.engine.Continue(10);
  EXPECT_EQ(other.engine.Back(10).kind, StopKind::Reverse);
  EXPECT_EQ(other.engine.Steps(), 150000u);
}

}  // namespace
}  // namespace kv74::debug::testing
