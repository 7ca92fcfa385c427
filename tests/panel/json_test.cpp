#include <gtest/gtest.h>

#include <algorithm>

#include "panel/controls.hpp"
#include "panel/panel_json.hpp"
#include "rig.hpp"

namespace kv74::test {
namespace {

TEST(TableSurface, StartsFromTheInitialFacesOfEveryControl) {
  TableSurface s;
  for (const ControlInfo& info : PanelControls()) {
    Control* c = s.Find(info.name);
    ASSERT_NE(c, nullptr) << info.name;
    EXPECT_EQ(c->Caption(), info.caption) << info.name;
    EXPECT_EQ(c->Colour(), info.colour) << info.name;
    EXPECT_FALSE(c->IsDown()) << info.name;
  }
  EXPECT_EQ(s.Find("v2_2"), nullptr);
  EXPECT_EQ(s.Find("v2_15"), nullptr);
  EXPECT_EQ(s.Find("al24"), nullptr);
  EXPECT_EQ(s.Find("v1_1")->Colour(), colour::INACTIVE_CAPTION);
  EXPECT_EQ(s.Find("v2_11")->Colour(), colour::BUTTON_FACE);
  EXPECT_EQ(s.Find("kom")->Caption(), "kkk");
}

TEST(JsonString, Escapes) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"", "\"\""},
      {" * X +\\ L 1500", "\" * X +\\\\ L 1500\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"a\nb\tc\rd", "\"a\\nb\\tc\\rd\""},
      {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
      {"Б", "\"Б\""},
  };
  for (const Case& c : cases) EXPECT_EQ(JsonString(c.in), c.out);
}

TEST(PanelJson, WholeObject) {
  Rig rig;
  rig.m->RegisterFile[reg::KEYLAMPS] = 0x0440;
  rig.Notify(notify::KEYLAMPS);
  rig.SetPair(cell::POSITION_X_HI, 7200);
  rig.SetPair(cell::POSITION_Z_HI, 22000);
  rig.Notify(notify::POSITION);
  rig.surface.Find("kom")->SetCaption(" * X +\\ L 1");
  const std::string json = PanelJson(rig.surface, *rig.panel);

  EXPECT_EQ(json.rfind("{\"captions\":{\"al11\":\"8\",\"al12\":\"6\",\"al13\":\"0\",\"al14\":\"0\","
                       "\"al21\":\"7\",\"al22\":\"4\",\"al23\":\"0\",\"al31\":\"9\",\"al32\":\"8\","
                       "\"al34\":\"-\",\"al41\":\"5\",\"al42\":\"4\",\"al43\":\"C\",\"al44\":\"0\","
                       "\"n\":\"N\",\"kom\":\" * X +\\\\ L 1\",\"m\":\"z\",\"t\":\"z\",\"f\":\"z\","
                       "\"s\":\"z\",\"x\":\"3600\",\"z\":\"11000\"},\"colours\":{\"v1_1\":8421504,",
                       0),
            0u)
      << json;
  EXPECT_NE(json.find("\"v1_6\":255,"), std::string::npos);
  EXPECT_NE(json.find("\"v2_14\":12632256,\"ko0\":12632256,"), std::string::npos);
  EXPECT_EQ(json.find("v2_2\""), std::string::npos);
  EXPECT_NE(json.find("\"ki15\":12632256},"), std::string::npos);
  const std::string tail =
      "\"LampPatternFlag\":true,\"TraceGate\":0,\"ScaleFactor\":1,\"previousPoint\":[420,732]}";
  EXPECT_EQ(json.substr(json.size() - tail.size()), tail);
  // 15 + 14 + 16 + 16 lamps.
  const std::size_t open = json.find("\"colours\":{") + 11;
  const std::string colours = json.substr(open, json.find('}', open) - open);
  EXPECT_EQ(std::count(colours.begin(), colours.end(), ':'), 61);
}

}  // namespace
}  // namespace kv74::test
