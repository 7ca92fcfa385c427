// The adapter's look at the stopped machine, as the editor guide describes it: memory references
// are word addresses and the memory view's bytes are the words high byte first, so offsets and
// counts must be even; writes reach data memory and the I/O page through the processor's bus and
// program and table memory directly, all or nothing; the variables show the flags decoded and the
// peripherals by the runner's JSON field names.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "board.hpp"
#include "inspect.hpp"
#include "monitor/expr.hpp"
#include "protocol.hpp"
#include "source_dir.hpp"
#include "tests/runner/temp_dir.hpp"

namespace kv74::dap {
namespace {

class InspectTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  Board b{LaunchConfig{KV74_SOURCE_DATA_DIR, std::nullopt, std::nullopt, dir.path()}};

  // The bytes of a readMemory answer, or its error.
  std::string Read(const std::string& ref, std::int64_t offset, std::int64_t count) {
    const Json j = {{"memoryReference", ref}, {"offset", offset}, {"count", count}};
    try {
      const Json out = inspect::ReadMemory(b, Args(j));
      std::string text = out["address"].get<std::string>() + ":";
      for (std::uint8_t byte : Base64Decode(out["data"].get<std::string>())) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", byte);
        text += hex;
      }
      if (out.contains("unreadableBytes"))
        text += " +" + std::to_string(out["unreadableBytes"].get<int>());
      return text;
    } catch (const RequestError& e) {
      return std::string("error: ") + e.what();
    }
  }

  std::string Write(const std::string& ref, std::int64_t offset,
                    const std::vector<std::uint8_t>& bytes) {
    const Json j = {{"memoryReference", ref}, {"offset", offset}, {"data", Base64Encode(bytes)}};
    try {
      return "wrote " + std::to_string(inspect::WriteMemory(b, Args(j))["bytesWritten"].get<int>());
    } catch (const RequestError& e) {
      return std::string("error: ") + e.what();
    }
  }

  // The value shown for `name` under a scope.
  std::string Shown(int scope, const std::string& name) {
    const Json j = {{"variablesReference", scope}};
    const Json out = inspect::Variables(b, Args(j));
    for (const Json& v : out["variables"])
      if (v["name"] == name) return v["value"];
    return "(absent)";
  }
};

TEST_F(InspectTest, ReadMemoryGivesWordsHighByteFirst) {
  BoardState& m = b.M();
  m.DataMemory[0x212] = 0x1C20;
  m.DataMemory[0x213] = 0xAB01;
  m.ProgramMemory[0] = 0x0102;
  struct Case {
    std::string ref;
    std::int64_t offset, count;
    std::string want;
  } cases[] = {
      {"0x4212", 0, 4, "0x4212: 1C 20 AB 01"},
      {"16914", 2, 2, "0x4213: AB 01"},  // decimal reference; the offset counts bytes
      {"0x4213", -2, 2, "0x4212: 1C 20"},
      {"0x0000", 0, 0, "0x0000:"},
      {"0xFFFF", 0, 4, "0xFFFF: 00 00 +2"},  // past the last word
      {"0x4212", 1, 2, "error: offset counts bytes, two to a word: it must be even"},
      {"0x4212", 0, 3, "error: count counts bytes, two to a word: it must be even"},
      {"4212h", 0, 2, "error: bad memory reference '4212h'"},
      {"0x10000", 0, 2, "error: bad memory reference '0x10000'"},
      {"0x0000", -2, 2, "error: address out of range"},
      {"0x0000", 0, 0x20002, "error: count must lie in 0..131072"},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.ref, c.offset, c.count), c.want) << c.ref;
}

TEST_F(InspectTest, ReadMemoryShowsTheIoPageAsTheBusReadsIt) {
  BoardState& m = b.M();
  m.timer.count = 0x0123;
  m[reg::RATE0] = 0xF9FF;  // bits 11..14 are hidden
  m[reg::COUNT0] = 0x0042;
  EXPECT_EQ(Read("0xF100", 0, 6), "0xF100: 01 23 01 23 01 23");
  EXPECT_EQ(Read("0xF140", 0, 2), "0xF140: 81 FF");
  // A look does not clear a position counter, as a read by the processor would.
  EXPECT_EQ(Read("0xF151", 0, 2), "0xF151: 00 42");
  EXPECT_EQ(Read("0xF151", 0, 2), "0xF151: 00 42");
}

TEST_F(InspectTest, WriteMemoryStoresWholeWordsOrNothing) {
  BoardState& m = b.M();
  struct Case {
    std::string ref;
    std::int64_t offset;
    std::vector<std::uint8_t> bytes;
    std::string want;
    std::uint16_t at;
    std::optional<std::uint16_t> value;  // the word at `at` afterwards; none: as it was
  } cases[] = {
      {"0x4300", 0, {0x12, 0x34, 0x56, 0x78}, "wrote 4", 0x4301, 0x5678},
      {"0x0010", 2, {0xBE, 0xEF}, "wrote 2", 0x0011, 0xBEEF},  // program memory, patched
      {"0x7000", 0, {0xCA, 0xFE}, "wrote 2", 0x7000, 0xCAFE},  // table memory, patched
      {"0x4400", 0, {0x12}, "error: data must be whole 16-bit words", 0x4400, std::nullopt},
      {"0x4401",
       1,
       {0x12, 0x34},
       "error: offset counts bytes, two to a word: it must be even",
       0x4401,
       std::nullopt},
      // The second word has nothing behind it: the first is not written either.
      {"0x1FFF",
       0,
       {0x11, 0x11, 0x22, 0x22},
       "error: nothing to store into at 0x2000",
       0x1FFF,
       std::nullopt},
      {"0xFFFF", 0, {0, 1, 0, 2}, "error: address out of range", 0xFFFF, std::nullopt},
  };
  for (const Case& c : cases) {
    const std::uint16_t before = mon::PeekWord(m, c.at);
    EXPECT_EQ(Write(c.ref, c.offset, c.bytes), c.want) << c.ref;
    EXPECT_EQ(mon::PeekWord(m, c.at), c.value.value_or(before)) << c.ref;
  }
}

TEST_F(InspectTest, WriteMemoryReachesThePeripheralsThroughTheBus) {
  BoardState& m = b.M();
  m[reg::TIMER_RUN] = 0;
  EXPECT_EQ(Write("0xF100", 0, {0x00, 0x07}), "wrote 2");  // the reload word loads and starts
  EXPECT_EQ(m.timer.count, 7);
  EXPECT_TRUE(m[reg::TIMER_RUN] & timer::RUN);
  EXPECT_EQ(Shown(inspect::kPeripherals, "timerCount"), "7");
  EXPECT_EQ(Shown(inspect::kPeripherals, "registers[23]"), "0x0007 (7)");
}

TEST_F(InspectTest, VariablesShowFlagsDecodedAndPeripheralsByTheirJsonNames) {
  BoardState& m = b.M();
  m[reg::FLAGS] = flag::N | flag::V;
  m.channels.period[2] = 5;
  m.sequencer.state = SeqState::Busy;
  m.sequencer.countdown = 99;
  struct Case {
    int scope;
    const char* name;
    const char* want;
  } cases[] = {
      {inspect::kRegisters, "FLAGS", "0xA000 (40960) NV"},
      {inspect::kFlags, "N", "1"},
      {inspect::kFlags, "Z", "0"},
      {inspect::kFlags, "V", "1"},
      {inspect::kFlags, "C", "0"},
      {inspect::kPeripherals, "channelPeriod[2]", "5"},
      {inspect::kPeripherals, "seqState", "Busy"},
      {inspect::kPeripherals, "seqCountdown", "99"},
  };
  for (const Case& c : cases) EXPECT_EQ(Shown(c.scope, c.name), c.want) << c.name;
  m[reg::FLAGS] = 0;
  EXPECT_EQ(Shown(inspect::kRegisters, "FLAGS"), "0x0000 (0) -");
  EXPECT_THROW(inspect::Variables(b, Args(Json{{"variablesReference", 99}})), RequestError);
}

TEST_F(InspectTest, DisassemblyShowsLabelsSourceLinesAndDataWords) {
  const dbg::DebugInfo& info = *b.Info();
  auto rows = [&](const std::string& ref, std::int64_t shift, std::int64_t count, bool symbols) {
    const Json j = {{"memoryReference", ref},
                    {"instructionOffset", shift},
                    {"instructionCount", count},
                    {"resolveSymbols", symbols}};
    return inspect::Disassemble(b, Args(j))["instructions"];
  };
  // The routine the monitor stops in at a breakpoint on MoveTo (motion.asm:48).
  const Json move = rows("0x0461", 0, 1, true)[0];
  EXPECT_EQ(move["address"], "0x0461");
  EXPECT_EQ(move["symbol"], "MoveTo");
  EXPECT_EQ(move["location"]["name"], "motion.asm");
  EXPECT_EQ(move["line"], 48);
  EXPECT_EQ(move["instruction"].get<std::string>().substr(0, 4), "CALL");
  EXPECT_FALSE(rows("0x0461", 0, 1, false)[0].contains("symbol"));
  // Rows before address 0 are there, shown as invalid.
  const Json start = rows("0x0000", -2, 3, true);
  EXPECT_EQ(start[0]["presentationHint"], "invalid");
  EXPECT_EQ(start[1]["presentationHint"], "invalid");
  EXPECT_EQ(start[2]["address"], "0x0000");
  // A word the debug information marks as data is one .word row, whatever it would decode as.
  std::uint32_t data = 0;
  while (data < PROGRAM_WORDS && !info.IsData(static_cast<std::uint16_t>(data))) ++data;
  ASSERT_LT(data, PROGRAM_WORDS);
  const Json word = rows(AddressText(static_cast<std::uint16_t>(data)), 0, 2, true);
  EXPECT_EQ(word[0]["instruction"].get<std::string>().substr(0, 5), ".word");
  EXPECT_EQ(word[1]["address"], AddressText(static_cast<std::uint16_t>(data + 1)));
}

TEST_F(InspectTest, WatchedCellsAreTheCellsOfTheDataBreakpoints) {
  BoardState& m = b.M();
  m.DataMemory[cell::POSITION_X_HI - DATA_BASE] = 0x0001;
  m.DataMemory[cell::POSITION_X_LO - DATA_BASE] = 0x1C20;
  const Json none = inspect::Variables(b, Args(Json{{"variablesReference", inspect::kWatched}}));
  EXPECT_TRUE(none["variables"].empty());
  b.E().Points().AddWatch(cell::POSITION_X_HI, cell::POSITION_X_LO, debug::WatchKind::Write);
  const Json j = {{"variablesReference", inspect::kWatched}};
  const Json vars = inspect::Variables(b, Args(j))["variables"];
  ASSERT_EQ(vars.size(), 2u);
  EXPECT_EQ(vars[1]["value"], "0x1C20 (7200)");
  EXPECT_EQ(vars[1]["memoryReference"], "0x425F");
  EXPECT_EQ(vars[1]["evaluateName"], "[0x425F]");
  EXPECT_EQ(vars[0]["name"].get<std::string>().substr(0, 6), "0x425E");
}

}  // namespace
}  // namespace kv74::dap
