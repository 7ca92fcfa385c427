#include <gtest/gtest.h>

#include "panel/lamps.hpp"
#include "rig.hpp"

namespace kv74::test {
namespace {

TEST(HexDigitChar, DigitsLettersAndBlank) {
  const std::string expected = "0123456789ABCDE ";
  for (unsigned d = 0; d < 16; ++d) EXPECT_EQ(HexDigitChar(d), expected[d]) << d;
}

TEST(LampPatternFlag, BitsSixAndTenSetFiveClear) {
  struct Case {
    std::uint16_t word;
    bool flag;
  } cases[] = {{0x0440, true}, {0x0460, false}, {0x04C0, true}, {0x0400, false},
               {0xFFDF, true}, {0x0040, false}, {0x0000, false}};
  for (auto c : cases) EXPECT_EQ(LampPatternFlagOf(c.word), c.flag) << std::hex << c.word;
}

struct GroupCase {
  int group;
  std::uint16_t word;
  std::vector<std::pair<const char*, const char*>> captions;
};

TEST(RefreshPanel, IndicatorGroupsShowNibblesAndSign) {
  const GroupCase cases[] = {
      {1, 0x12AF, {{"al14", "1"}, {"al13", "2"}, {"al12", "A"}, {"al11", " "}}},
      {2, 0xF3E9, {{"al23", "3"}, {"al22", "E"}, {"al21", "9"}}},
      {3, 0xF0C5, {{"al34", "+"}, {"al32", "C"}, {"al31", "5"}}},
      {3, 0x0000, {{"al34", "-"}, {"al32", "0"}, {"al31", "0"}}},
      {3, 0xE000, {{"al34", "-"}}},
      {4, 0xDB70, {{"al44", "D"}, {"al43", "B"}, {"al42", "7"}, {"al41", "0"}}},
  };
  for (const GroupCase& c : cases) {
    Rig rig;
    rig.m->RegisterFile[static_cast<std::size_t>(reg::IND1 + c.group - 1)] = c.word;
    rig.SetData(cell::BLOCK_INDEX, 0);
    rig.SetData(cell::BLOCK_TABLE, 0x8000);
    rig.Notify(1u << c.group);
    for (auto [name, text] : c.captions)
      EXPECT_EQ(rig.Caption(name), text) << c.group << " " << name;
    EXPECT_EQ(rig.m->NotifyWord, 0u);
  }
}

TEST(RefreshPanel, OnlyTheLowestOfBitsOneToSevenActs) {
  Rig rig;
  rig.m->RegisterFile[reg::IND1] = 0x1234;
  rig.m->RegisterFile[reg::IND2] = 0x0999;
  rig.Notify(0x00000006);
  EXPECT_EQ(rig.Caption("al11"), "4");
  EXPECT_EQ(rig.Caption("al21"), "7");   // group 2 keeps its placeholder
  EXPECT_EQ(rig.Caption("kom"), "kkk");  // the block display did not run
  EXPECT_EQ(rig.m->NotifyWord, 0u);

  // Lamps and outputs wait behind indicator group 4, and are dropped with it.
  rig.m->RegisterFile[reg::IND4] = 0x0001;
  rig.m->RegisterFile[reg::KEYLAMPS] = 0x0440;
  rig.m->RegisterFile[reg::PORT_OUT] = 0xFFFF;
  rig.Notify(0x000000B0);
  EXPECT_EQ(rig.Caption("al41"), "1");
  EXPECT_FALSE(rig.panel->LampPatternFlag());
  EXPECT_EQ(rig.Colour("v1_6"), colour::INACTIVE_CAPTION);
  EXPECT_EQ(rig.Colour("ko0"), colour::BUTTON_FACE);

  rig.Notify(0x000000A0);
  EXPECT_TRUE(rig.panel->LampPatternFlag());
  EXPECT_EQ(rig.Colour("v1_6"), colour::RED);
  EXPECT_EQ(rig.Colour("ko0"), colour::BUTTON_FACE);

  rig.Notify(0x00000080);
  EXPECT_EQ(rig.Colour("ko0"), colour::RED);
}

TEST(RefreshPanel, BitsZeroAndEightToFifteenOnlyClear) {
  Rig rig;
  rig.m->RegisterFile[reg::IND1] = 0x0000;
  rig.Notify(0x0000FF01);
  EXPECT_EQ(rig.Caption("al11"), "8");
  EXPECT_EQ(rig.m->NotifyWord, 0u);
}

TEST(RefreshPanel, LampRowsColourEveryNamedLampAndSkipMissingOnes) {
  struct RowCase {
    std::uint32_t bit;
    int word;
    const char* prefix;
    int first;
    std::uint32_t lit;
  } rows[] = {
      {notify::KEYLAMPS, reg::KEYLAMPS, "v1_", 1, colour::RED},
      {notify::SIGLAMPS, reg::SIGLAMPS, "v2_", 0, colour::RED},
      {notify::PORT_OUT, reg::PORT_OUT, "ko", 0, colour::RED},
      {notify::SEQ_INPUT, reg::PORT_IN, "ki", 0, colour::GREEN},
  };
  for (const RowCase& row : rows) {
    Rig rig;
    rig.m->RegisterFile[static_cast<std::size_t>(row.word)] = 0xA5C3;
    rig.Notify(row.bit);
    int seen = 0;
    for (int i = row.first; i < 16; ++i) {
      Control* c = rig.surface.Find(row.prefix + std::to_string(i));
      if (c == nullptr) continue;
      ++seen;
      EXPECT_EQ(c->Colour(), ((0xA5C3 >> i) & 1) ? row.lit : colour::GREY) << row.prefix << i;
    }
    EXPECT_EQ(seen, std::string(row.prefix) == "v2_" ? 14 : 16 - row.first) << row.prefix;
  }
}

TEST(RefreshPanel, PositionsAreHalvedSignedAndTruncated) {
  struct Case {
    std::int32_t value;
    const char* text;
  } cases[] = {
      {-3, "-1"}, {7, "3"}, {INT32_MIN, "-1073741824"}, {-1, "0"}, {INT32_MAX, "1073741823"}};
  for (auto c : cases) {
    Rig rig;
    rig.SetPair(cell::POSITION_X_HI, c.value);
    rig.SetPair(cell::POSITION_Z_HI, c.value);
    rig.Notify(notify::POSITION);
    EXPECT_EQ(rig.Caption("x"), c.text);
    EXPECT_EQ(rig.Caption("z"), c.text);
    ASSERT_FALSE(rig.canvas.rings.empty());  // the plot was updated too
    EXPECT_EQ(rig.canvas.rings[0], (RingCall{0, 0, colour::BLACK}));
  }
}

TEST(RefreshPanel, FeedIsUnsignedSpeedIsSigned) {
  Rig rig;
  rig.SetData(cell::FEED_RATE, 0xFFFF);
  rig.SetData(cell::SPINDLE_SPEED, 0xFFFF);
  rig.Notify(notify::FEED);
  EXPECT_EQ(rig.Caption("f"), "65535");
  EXPECT_EQ(rig.Caption("s"), "z");
  rig.Notify(notify::SPINDLE);
  EXPECT_EQ(rig.Caption("s"), "-1");
  rig.SetData(cell::SPINDLE_SPEED, 0x8000);
  rig.Notify(notify::SPINDLE | notify::FEED);
  EXPECT_EQ(rig.Caption("s"), "-32768");
}

TEST(RefreshPanel, HandshakeCodeGoesToMOrT) {
  struct Case {
    std::uint16_t code;
    const char* m;
    const char* t;
  } cases[] = {{0x351, "35", "z"}, {0x354, "z", "35"}, {0x350, "z", "z"}, {0x352, "z", "z"},
               {0x353, "z", "z"},  {0x355, "z", "z"},  {0x356, "z", "z"}, {0x357, "z", "z"},
               {0xAB1, "AB", "z"}, {0xF09, "F0", "z"}, {0x00C, "z", "00"}};
  for (auto c : cases) {
    Rig rig;
    rig.m->sequencer.code = c.code;
    rig.Notify(notify::SEQ_LATCHED);
    EXPECT_EQ(rig.Caption("m"), c.m) << std::hex << c.code;
    EXPECT_EQ(rig.Caption("t"), c.t) << std::hex << c.code;
  }
}

TEST(RefreshPanel, HighBitsActAlongsideALowBit) {
  Rig rig;
  rig.m->RegisterFile[reg::IND1] = 0x0003;
  rig.SetPair(cell::POSITION_X_HI, 10);
  rig.SetData(cell::SPINDLE_SPEED, 12);
  rig.m->RegisterFile[reg::PORT_IN] = 0x0001;
  rig.Notify(0x00110001 | notify::IND1 | notify::SEQ_INPUT);
  EXPECT_EQ(rig.Caption("al11"), "3");
  EXPECT_EQ(rig.Caption("x"), "5");
  EXPECT_EQ(rig.Caption("s"), "12");
  EXPECT_EQ(rig.Colour("ki0"), colour::GREEN);
  EXPECT_EQ(rig.Caption("f"), "z");
  EXPECT_EQ(rig.m->NotifyWord, 0u);
}

TEST(RefreshPanel, EmptyNotificationTouchesNothing) {
  Rig rig;
  rig.m->RegisterFile[reg::IND1] = 0x0003;
  rig.Notify(0);
  EXPECT_EQ(rig.Caption("al11"), "8");
  EXPECT_TRUE(rig.canvas.rings.empty());
}

TEST(RefreshPanel, BlockDisplayRunsOnlyWhileFrameLampFiveIsNotRed) {
  Rig rig;
  rig.panel->StartUp();
  rig.SetData(cell::BLOCK_INDEX, 0);
  rig.SetData(cell::BLOCK_TABLE, 0x8300);
  rig.SetData(cell::BLOCK_TABLE + 1, 0x0090);
  rig.m->RegisterFile[reg::KEYLAMPS] = 0x0020;  // v1_5 lit
  rig.Notify(notify::KEYLAMPS);
  rig.m->RegisterFile[reg::IND2] = 0x0012;
  rig.Notify(1u << 2);
  EXPECT_EQ(rig.Caption("kom"), "kkk");
  EXPECT_EQ(rig.Caption("al21"), "2");

  rig.m->RegisterFile[reg::KEYLAMPS] = 0x0000;
  rig.Notify(notify::KEYLAMPS);
  rig.Notify(1u << 2);
  EXPECT_EQ(rig.Caption("kom"), "  G 90");
  EXPECT_EQ(rig.Caption("n"), "0");
}

TEST(Handover, RefreshesThePanel) {
  Rig rig;
  rig.m->RegisterFile[reg::IND1] = 0x0005;
  rig.m->NotifyWord = notify::IND1;
  HandoverReceiver& receiver = *rig.panel;
  receiver.Handover(*rig.m);
  EXPECT_EQ(rig.Caption("al11"), "5");
  EXPECT_EQ(rig.m->NotifyWord, 0u);
}

// Every pair of bits 1..7: the lower one acts, the element of the higher keeps what it showed.
TEST(RefreshPanel, OfTwoBitsOneToSevenOnlyTheLowerActs) {
  struct Element {
    int word;
    const char* name;
    bool lamp;
  };
  const Element elements[8] = {{},
                               {reg::IND1, "al11", false},
                               {reg::IND2, "al21", false},
                               {reg::IND3, "al31", false},
                               {reg::IND4, "al41", false},
                               {reg::KEYLAMPS, "v1_1", true},
                               {reg::SIGLAMPS, "v2_1", true},
                               {reg::PORT_OUT, "ko1", true}};
  auto shown = [](Rig& rig, const Element& e) {
    return e.lamp ? std::to_string(rig.Colour(e.name)) : rig.Caption(e.name);
  };
  for (int low = 1; low <= 6; ++low) {
    for (int high = low + 1; high <= 7; ++high) {
      SCOPED_TRACE(::testing::Message() << "bits " << low << " and " << high);
      Rig rig;
      for (int b = 1; b <= 7; ++b) rig.m->RegisterFile[elements[b].word] = 0x0002;
      const std::string lowBefore = shown(rig, elements[low]);
      const std::string highBefore = shown(rig, elements[high]);
      rig.Notify((1u << low) | (1u << high));
      EXPECT_NE(shown(rig, elements[low]), lowBefore);
      EXPECT_EQ(shown(rig, elements[high]), highBefore);
      EXPECT_EQ(rig.m->NotifyWord, 0u);
    }
  }
}

}  // namespace
}  // namespace kv74::test
