#include <gtest/gtest.h>

#include "cpu/shared.hpp"
#include "panel/click.hpp"
#include "panel/input.hpp"
#include "rig.hpp"

namespace kv74::test {
namespace {

std::uint16_t Keyboard(Rig& rig) { return LoadShared(*rig.m, reg::KEYBOARD); }

TEST(KeyboardCode, Rules) {
  struct Case {
    int code;
    KeyContext context;
    std::uint16_t stored;
  } cases[] = {
      {29, {}, 29},
      {120, {false, true, false, 0}, 120},
      {120, {true, true, false, 0}, 124},
      {123, {true, true, false, 0}, 127},
      {120, {false, false, false, 0}, 0},
      {121, {true, false, false, 0}, 0},
      {112, {true, false, false, 0}, 112},  // not above the threshold: no jog rules
      {59, {false, false, true, 21}, 0},
      {59, {false, false, true, 20}, 59},
      {59, {false, false, false, 0xFFFF}, 59},
      {59, {false, false, true, 0xFFFF}, 0},  // the index is compared unsigned
      {58, {false, false, true, 500}, 58},
  };
  for (auto c : cases) EXPECT_EQ(KeyboardCode(c.code, c.context), c.stored) << c.code;
}

TEST(PultKeyClik, StoresTheKeyCode) {
  struct Case {
    const char* key;
    std::uint16_t code;
  } cases[] = {{"k0x1D", 29}, {"k0x39", 57}, {"k0x09", 9}, {"k0x3E", 62}, {"k0x21", 33}};
  for (auto c : cases) {
    Rig rig;
    rig.panel->PultKeyClik(c.key);
    EXPECT_EQ(Keyboard(rig), c.code) << c.key;
  }
}

TEST(PultKeyClik, OverwritesAnUnreadCodeEvenWithZero) {
  Rig rig;
  rig.panel->PultKeyClik("k0x1D");
  ClickControl(*rig.panel, rig.surface, "k0x78");
  EXPECT_EQ(Keyboard(rig), 120);
  ClickControl(*rig.panel, rig.surface, "k0x78");  // released
  EXPECT_EQ(Keyboard(rig), 0);
}

TEST(PultKeyClik, WithheldKeyFollowsLampPatternAndBlockIndex) {
  struct Case {
    std::uint16_t lamps;
    std::uint16_t index;
    std::uint16_t stored;
  } cases[] = {{0x0440, 21, 0}, {0x0440, 20, 59}, {0x0460, 21, 59}, {0x0000, 500, 59}};
  for (auto c : cases) {
    Rig rig;
    rig.m->RegisterFile[reg::KEYLAMPS] = c.lamps;
    rig.Notify(notify::KEYLAMPS);
    rig.SetData(cell::BLOCK_INDEX, c.index);
    rig.panel->PultKeyClik("k0x3B");
    EXPECT_EQ(Keyboard(rig), c.stored) << std::hex << c.lamps << " " << std::dec << c.index;
  }
}

TEST(PultKeyClik, NotAKeyStoresNothing) {
  Rig rig;
  StoreShared(*rig.m, reg::KEYBOARD, 7);
  rig.panel->PultKeyClik("ki3");
  rig.panel->PultKeyClik("uskor");
  EXPECT_EQ(Keyboard(rig), 7);
}

struct JogStep {
  const char* click;
  std::uint16_t stored;
  std::uint32_t buttons;
};

TEST(JogToggles, ExclusiveGroupThatMayBeAllUp) {
  struct Script {
    bool uskor;
    std::vector<JogStep> steps;
  } scripts[] = {
      {false,
       {{"k0x78", 120, jog::UP},
        {"k0x7b", 123, jog::RIGHT},
        {"k0x7a", 122, jog::LEFT},
        {"k0x7a", 0, 0},
        {"k0x79", 121, jog::DOWN}}},
      {true,
       {{"k0x78", 124, jog::UP},
        {"k0x7b", 127, jog::RIGHT},
        {"k0x7b", 0, 0},
        {"k0x7a", 126, jog::LEFT}}},
  };
  for (const Script& script : scripts) {
    Rig rig;
    if (script.uskor) {
      EXPECT_TRUE(ClickControl(*rig.panel, rig.surface, "uskor"));
    }
    EXPECT_EQ(Keyboard(rig), 0);  // uskor writes nothing
    for (const JogStep& step : script.steps) {
      EXPECT_TRUE(ClickControl(*rig.panel, rig.surface, step.click));
      EXPECT_EQ(Keyboard(rig), step.stored) << step.click;
      EXPECT_EQ(rig.m->channels.jogButtons.load(), step.buttons) << step.click;
      EXPECT_EQ(JogButtonsOf(rig.surface), step.buttons) << step.click;
    }
  }
}

TEST(JogToggles, UskorCountsAtTheNextJogClick) {
  Rig rig;
  ClickControl(*rig.panel, rig.surface, "k0x79");
  EXPECT_EQ(Keyboard(rig), 121);
  ClickControl(*rig.panel, rig.surface, "uskor");
  EXPECT_EQ(Keyboard(rig), 121);
  EXPECT_EQ(rig.m->channels.jogButtons.load(), jog::DOWN);
  ClickControl(*rig.panel, rig.surface, "k0x7a");
  EXPECT_EQ(Keyboard(rig), 126);
}

TEST(JogToggles, GroupRuleWhenTheWindowAlreadyReleasedTheOthers) {
  // A window whose toggle group is exclusive itself: the rule changes nothing and the state is
  // still published.
  Rig rig;
  rig.surface.Find("k0x7b")->SetDown(true);
  rig.panel->PultKeyClik("k0x7b");
  EXPECT_EQ(rig.m->channels.jogButtons.load(), jog::RIGHT);
  EXPECT_EQ(Keyboard(rig), 123);
}

TEST(KEoutClick, TogglesOneInputBitAndItsLamp) {
  Rig rig;
  StoreShared(*rig.m, reg::PORT_IN, 0x0100);
  rig.panel->KEoutClick("ki3");
  EXPECT_EQ(LoadShared(*rig.m, reg::PORT_IN), 0x0108);
  EXPECT_EQ(rig.Colour("ki3"), colour::GREEN);
  rig.panel->KEoutClick("ki3");
  EXPECT_EQ(LoadShared(*rig.m, reg::PORT_IN), 0x0100);
  EXPECT_EQ(rig.Colour("ki3"), colour::GREY);
  rig.panel->KEoutClick("ki15");
  EXPECT_EQ(LoadShared(*rig.m, reg::PORT_IN), 0x8100);
  rig.panel->KEoutClick("ki8");
  EXPECT_EQ(LoadShared(*rig.m, reg::PORT_IN), 0x8000);
  EXPECT_EQ(rig.Colour("ki8"), colour::GREY);
  // Neither handler raises a notification.
  EXPECT_EQ(rig.m->NotifyWord, 0u);
}

TEST(KEoutClick, OtherNamesChangeNothing) {
  Rig rig;
  StoreShared(*rig.m, reg::PORT_IN, 0x0100);
  for (const char* name : {"ki16", "ki", "ko3", "ki03", "k0x13"}) rig.panel->KEoutClick(name);
  EXPECT_EQ(LoadShared(*rig.m, reg::PORT_IN), 0x0100);
}

TEST(ClickControl, RoutesByKind) {
  Rig rig;
  EXPECT_TRUE(ClickControl(*rig.panel, rig.surface, "ki0"));
  EXPECT_EQ(LoadShared(*rig.m, reg::PORT_IN), 0x0001);
  EXPECT_TRUE(ClickControl(*rig.panel, rig.surface, "mash"));
  EXPECT_EQ(rig.panel->ScaleFactor(), 2);
  EXPECT_TRUE(ClickControl(*rig.panel, rig.surface, "clea"));
  EXPECT_EQ(rig.canvas.clears, 1);
  for (const char* name : {"ko0", "v1_5", "al11", "kom", "Kabout", "Button1", "Label3", "nope"}) {
    EXPECT_FALSE(IsClickable(name)) << name;
    EXPECT_FALSE(ClickControl(*rig.panel, rig.surface, name)) << name;
  }
  for (const char* name : {"k0x13", "k0x7a", "uskor", "ki15", "clea", "mash"}) {
    EXPECT_TRUE(IsClickable(name)) << name;
  }
  EXPECT_EQ(Keyboard(rig), 0);
}

TEST(StartUp, InputLampsScaleAndTrace) {
  Rig rig;
  StoreShared(*rig.m, reg::PORT_IN, 0x0100);
  rig.panel->mashClick();
  rig.panel->StartUp();
  EXPECT_EQ(rig.Colour("ki8"), colour::GREEN);
  EXPECT_EQ(rig.Colour("ki0"), colour::GREY);
  EXPECT_EQ(rig.Colour("ko0"), colour::BUTTON_FACE);
  EXPECT_EQ(rig.panel->ScaleFactor(), 1);
  EXPECT_TRUE(rig.panel->Trace().IsOpen());
  EXPECT_TRUE(std::filesystem::exists(rig.TracePath()));
}

}  // namespace
}  // namespace kv74::test
