// The editor's breakpoints as the run meets them, as the editor guide describes them: a data
// breakpoint's id names its first word and how many, and it watches writes unless told otherwise;
// a hit count N stops at the Nth hit; a breakpoint refused for its condition or hit count never
// stops; setting one file's breakpoints leaves another file's alone; instruction offsets count
// bytes, two to a word; the fault filter catches every fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board.hpp"
#include "breakpoints.hpp"
#include "inspect.hpp"
#include "source_dir.hpp"
#include "tests/runner/temp_dir.hpp"

namespace kv74::dap {
namespace {

class BreakpointTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  Board b{LaunchConfig{KV74_SOURCE_DATA_DIR, std::nullopt, std::nullopt, dir.path()}};
  BreakpointBook book{b.E(), *b.session, b.Info()};
  debug::PointTable& points = b.E().Points();

  // The hit (1..5) at which a run arriving at `pc` again and again first stops; 0 for none.
  int StopsAtHit(std::uint16_t pc) {
    for (int hit = 1; hit <= 5; ++hit)
      if (points.BreakHit(b.M(), pc, false)) return hit;
    return 0;
  }

  // The source file and line of a label's first instruction, and its address.
  struct Place {
    std::string path;
    int line;
    std::uint16_t address;
  };
  Place PlaceOf(const char* label) const {
    const std::uint16_t address = static_cast<std::uint16_t>(b.Info()->Find(label)->value);
    const dbg::LineEntry* e = b.Info()->LineAt(address);
    return {b.Info()->SourcePath(e->source).string(), e->line, address};
  }

  Json SetSource(const Place& at, Json wanted) {
    return book.SetSource(Args(Json{{"source", {{"path", at.path}}}, {"breakpoints", wanted}}));
  }
};

TEST_F(BreakpointTest, DataBreakpointsWatchTheWordsAndAccessesAsked) {
  struct Case {
    const char* dataId;
    const char* accessType;  // nullptr: not given
    const char* stops;       // of reads (R) and writes (W) at 0x41FF..0x4202
  } cases[] = {
      {"0x4200", nullptr, "W4200"},
      {"0x4200", "write", "W4200"},
      {"0x4200:2", "read", "R4200 R4201"},
      {"0x4200:2", "readWrite", "R4200 W4200 R4201 W4201"},
  };
  for (const Case& c : cases) {
    Json bp = {{"dataId", c.dataId}};
    if (c.accessType) bp["accessType"] = c.accessType;
    book.SetData(Args(Json{{"breakpoints", {bp}}}));
    std::string stops;
    for (std::uint16_t address = 0x41FF; address <= 0x4202; ++address) {
      for (const bool write : {false, true}) {
        if (points.WatchHit(b.M(), Access{address, 0, 1, write}, true)) {
          char text[8];
          std::snprintf(text, sizeof text, "%c%04X", write ? 'W' : 'R', address);
          stops += (stops.empty() ? "" : " ") + std::string(text);
        }
      }
    }
    EXPECT_EQ(stops, c.stops) << c.dataId << " " << (c.accessType ? c.accessType : "");
  }
  for (const char* id : {"0x4200:0", "0xFFFF:2", "0x4200:x", "0x10000"}) {
    EXPECT_THROW(book.SetData(Args(Json{{"breakpoints", {{{"dataId", id}}}}})), RequestError) << id;
  }
  EXPECT_THROW(
      book.SetData(Args(Json{{"breakpoints", {{{"dataId", "0x4200"}, {"accessType", "modify"}}}}})),
      RequestError);
}

TEST_F(BreakpointTest, DataBreakpointInfoNamesCellsAndTheirLength) {
  struct Case {
    const char* name;
    int bytes;       // -1: not given
    const char* id;  // nullptr: not a memory cell
  } cases[] = {
      {"0x4200", -1, "0x4200"}, {"0x4200", 3, "0x4200:2"},  {"0x4200", 8, "0x4200:4"},
      {"0xFFFF", 8, "0xFFFF"},  {"[0x425F]", -1, "0x425F"}, {"R1", -1, nullptr},
      {"[R1]", -1, nullptr},
  };
  for (const Case& c : cases) {
    Json a = {{"name", c.name}};
    if (c.bytes >= 0) a["bytes"] = c.bytes;
    const Json out = book.DataInfo(Args(a));
    EXPECT_EQ(out["dataId"], c.id ? Json(c.id) : Json(nullptr)) << c.name;
  }
}

TEST_F(BreakpointTest, ConditionsAndHitCountsDecideWhichHitStops) {
  const Place at = PlaceOf("PollKeys");
  struct Case {
    const char* condition;
    const char* hitCondition;
    const char* message;  // "": verified
    int stopsAt;
  } cases[] = {
      {"", "", "", 1},
      {"", "3", "", 3},
      {"1 == 2", "", "", 0},
      {"", "0", "hit condition must be a count N (stop at the Nth hit)", 0},
      {"", "2x", "hit condition must be a count N (stop at the Nth hit)", 0},
      {"1 +", "", "condition: ", 0},
  };
  for (const Case& c : cases) {
    const Json bp = SetSource(at, {{{"line", at.line},
                                    {"condition", c.condition},
                                    {"hitCondition", c.hitCondition}}})["breakpoints"][0];
    const std::string why = c.condition + std::string("/") + c.hitCondition;
    EXPECT_EQ(bp["verified"], !*c.message) << why;
    if (*c.message) {
      EXPECT_EQ(bp["message"].get<std::string>().rfind(c.message, 0), 0u) << why;
    }
    EXPECT_EQ(StopsAtHit(at.address), c.stopsAt) << why;
  }
}

TEST_F(BreakpointTest, SettingOneFilesBreakpointsLeavesAnotherFilesAlone) {
  const Place keys = PlaceOf("PollKeys"), motion = PlaceOf("MoveTo");
  ASSERT_NE(keys.path, motion.path);
  SetSource(keys, {{{"line", keys.line}}});
  SetSource(motion, {{{"line", motion.line}}});
  SetSource(keys, Json::array());
  EXPECT_EQ(StopsAtHit(keys.address), 0);
  EXPECT_EQ(StopsAtHit(motion.address), 1);
}

TEST_F(BreakpointTest, InstructionBreakpointOffsetsCountBytes) {
  struct Case {
    const char* reference;
    int offset;
    const char* at;  // nullptr: refused
  } cases[] = {
      {"0x0100", 0, "0x0100"}, {"0x0100", 4, "0x0102"}, {"0x0100", -2, "0x00FF"},
      {"0x0100", 3, nullptr},  {"0xFFFF", 2, nullptr},  {"0x0000", -2, nullptr},
  };
  for (const Case& c : cases) {
    const Json a = {
        {"breakpoints", {{{"instructionReference", c.reference}, {"offset", c.offset}}}}};
    if (!c.at) {
      EXPECT_THROW(book.SetInstruction(Args(a)), RequestError) << c.reference << c.offset;
      continue;
    }
    EXPECT_EQ(book.SetInstruction(Args(a))["breakpoints"][0]["instructionReference"], c.at);
    EXPECT_EQ(StopsAtHit(ParseAddress(c.at)), 1) << c.at;
  }
}

TEST(ExceptionBreakpoints, FiltersStopAtFaultsAndRequestEntries) {
  struct Case {
    std::vector<std::string> filters;
    bool invalidInstruction;  // else the restart request is raised
    debug::StopKind want;
    const char* frame;  // the innermost frame's name after the step
  } cases[] = {
      {{"fault"}, true, debug::StopKind::Catch, nullptr},
      {{}, true, debug::StopKind::Done, nullptr},
      {{"request"}, false, debug::StopKind::Catch, "0x0000 (request 0)"},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    Board b{LaunchConfig{KV74_SOURCE_DATA_DIR, std::nullopt, std::nullopt, dir.path()}};
    BreakpointBook book{b.E(), *b.session, b.Info()};
    book.SetExceptions(Args(Json{{"filters", c.filters}}));
    if (c.invalidInstruction)
      b.Store(b.M()[reg::PC], 0x8000);
    else
      b.M()[reg::FAULTS] |= fault::RESTART;
    EXPECT_EQ(b.E().Step(1).kind, c.want) << c.filters.size();
    if (c.frame) {
      EXPECT_EQ(inspect::StackTrace(b, Args(Json::object()))["stackFrames"][0]["name"], c.frame);
    }
  }
}

}  // namespace
}  // namespace kv74::dap
