#include "runner_panel.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "board/power.hpp"
#include "json_writer.hpp"
#include "temp_dir.hpp"

namespace kv74::test {
namespace {

struct ClickCase {
  std::vector<const char*> clicks;
  std::uint32_t jogDown;
  std::uint16_t keyboard;
  std::uint16_t inputPort;
};

class RunnerPanelTest : public testing::TestWithParam<ClickCase> {};

TEST_P(RunnerPanelTest, ClicksActLikeThePanelHandlers) {
  const ClickCase& c = GetParam();
  auto m = std::make_unique<BoardState>();
  PowerOn(*m);
  TempDir dir;
  RunnerPanel panel(*m, dir.path());
  panel.StartUp();
  for (const char* name : c.clicks) {
    ASSERT_TRUE(panel.IsClickable(name)) << name;
    panel.Click(name);
  }
  EXPECT_EQ(m->channels.jogButtons.load(), c.jogDown);
  EXPECT_EQ((*m)[reg::KEYBOARD], c.keyboard);
  EXPECT_EQ((*m)[reg::PORT_IN], c.inputPort);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, RunnerPanelTest,
    testing::Values(ClickCase{{"k0x1D"}, 0, 29, 0x0100}, ClickCase{{"k0x39"}, 0, 57, 0x0100},
                    ClickCase{{"k0x78"}, jog::UP, 120, 0x0100},
                    ClickCase{{"uskor", "k0x78"}, jog::UP, 124, 0x0100},
                    ClickCase{{"k0x78", "k0x7b"}, jog::RIGHT, 123, 0x0100},
                    ClickCase{{"uskor", "k0x78", "k0x7b"}, jog::RIGHT, 127, 0x0100},
                    ClickCase{{"k0x79", "k0x79"}, 0, 0, 0x0100},
                    ClickCase{{"uskor", "k0x7a", "k0x7a"}, 0, 0, 0x0100},
                    ClickCase{{"k0x7a", "uskor"}, jog::LEFT, 122, 0x0100},
                    ClickCase{{"uskor", "uskor", "k0x79"}, jog::DOWN, 121, 0x0100},
                    ClickCase{{"ki3"}, 0, 0, 0x0108}, ClickCase{{"ki3", "ki3"}, 0, 0, 0x0100},
                    ClickCase{{"ki8", "ki15", "ki0"}, 0, 0, 0x8001}));

TEST(RunnerPanelNames, KeysTogglesInputLampsAndPlotButtonsAreClickable) {
  auto m = std::make_unique<BoardState>();
  TempDir dir;
  RunnerPanel panel(*m, dir.path());
  for (const char* name : {"ki0", "ki15", "k0x09", "k0x3E", "k0x7a", "uskor", "mash", "clea"}) {
    EXPECT_TRUE(panel.IsClickable(name)) << name;
  }
  for (const char* name : {"ki16", "ki01", "ki-1", "ki", "KI3", "k0x7A", "k0x00", "al11", "v1_5",
                           "ko3", "Kabout", "Button1", ""}) {
    EXPECT_FALSE(panel.IsClickable(name)) << name;
  }
}

TEST(RunnerPanelHandover, RedrawsThePanelAndClearsTheNotifyWord) {
  auto m = std::make_unique<BoardState>();
  PowerOn(*m);
  TempDir dir;
  RunnerPanel panel(*m, dir.path());
  panel.StartUp();
  (*m)[reg::IND1] = 0x12AF;
  m->NotifyWord = notify::IND1 | notify::SEQ_INPUT;
  panel.Handover(*m);
  EXPECT_EQ(m->NotifyWord, 0u);
  EXPECT_EQ(panel.Find("al14")->Caption(), "1");
  EXPECT_EQ(panel.Find("al11")->Caption(), " ");
  EXPECT_EQ(panel.Find("ki8")->Colour(), 65280u);

  std::ostringstream out;
  JsonWriter w(out);
  w.BeginObject();
  panel.WriteJsonMembers(w);
  w.EndObject();
  EXPECT_NE(out.str().find("\"panel\": {\"captions\""), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("\"al14\":\"1\""), std::string::npos) << out.str();
}

TEST(JsonWriterTest, NestsObjectsAndEscapesStrings) {
  std::ostringstream out;
  JsonWriter w(out);
  w.BeginObject();
  w.Key("a\"b");
  w.String("x\\y\n\x01й");
  w.Key("list");
  w.IntArray(std::span<const std::uint16_t>(std::vector<std::uint16_t>{1, 65535}));
  w.Key("inner");
  w.BeginObject();
  w.Key("t");
  w.Bool(true);
  w.EndObject();
  w.Key("empty");
  w.BeginObject();
  w.EndObject();
  w.Key("raw");
  w.Raw("[null]");
  w.EndObject();
  EXPECT_EQ(out.str(),
            "{\n  \"a\\\"b\": \"x\\\\y\\u000a\\u0001й\",\n  \"list\": [1,65535],\n"
            "  \"inner\": {\n    \"t\": true\n  },\n  \"empty\": {},\n  \"raw\": [null]\n}\n");
}

}  // namespace
}  // namespace kv74::test
