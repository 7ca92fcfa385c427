#include <gtest/gtest.h>

#include "panel/block.hpp"
#include "rig.hpp"

namespace kv74::test {
namespace {

using Entry = std::pair<std::uint16_t, std::uint16_t>;

TEST(BlockEntry, NumberReadings) {
  struct Case {
    std::uint16_t hi, lo;
    std::int32_t value, decimal;
  } cases[] = {
      {0x007F, 0xFFFF, 8388607, 0},  // decimal of 0x7FFFFF is weighted below
      {0x00FF, 0xFFFF, -1, 0},      {0x0080, 0x0000, -8388608, 800000},
      {0x0000, 0x001A, 26, 20},     {0x0012, 0x3456, 0x123456, 123456},
      {0xFF00, 0x0000, 0, 0},  // flag and type bits are not part of the number
  };
  for (auto c : cases) {
    EXPECT_EQ(EntryValue(c.hi, c.lo), c.value) << std::hex << c.hi << ":" << c.lo;
    if (c.decimal != 0 || c.hi == 0xFF00) {
      EXPECT_EQ(EntryDecimal(c.hi, c.lo), c.decimal) << std::hex << c.hi << ":" << c.lo;
    }
  }
  // Every group weighs in: 0x7FFFFF = 7*100000 + 15*(10000+1000+100+10+1).
  EXPECT_EQ(EntryDecimal(0x007F, 0xFFFF), 700000 + 15 * 11111);
  EXPECT_EQ(EntryDecimal(0x00FF, 0xFFFF), 15 * 111111);
}

TEST(BlockEntry, Text) {
  struct Case {
    std::uint16_t hi, lo;
    const char* text;
  } cases[] = {
      {0x8300, 0x0090, "  G 90"},
      {0x0300, 0x0001, " * G 1"},
      {0x5100, 0x05DC, " * X +\\ L 1500"},
      {0x82FF, 0xFF38, "  Z -200"},
      {0x3100, 0x0005, " * X w 5"},
      {0xB200, 0x0005, "  Z w 5"},
      {0x2100, 0x0005, " * X -/ 5"},
      {0xF1FF, 0xFFFF, "  X w L -1"},
      {0x4200, 0x0000, " * Z L 0"},
      {0x77FF, 0xFFF6, " * P -10"},  // flags belong to X and Z only; P is signed
      {0x087F, 0xFFFF, " * F 8388607"},
      {0x08FF, 0xFFFF, " * F -1"},
      {0x0400, 0x0003, " * M 3"},
      {0x8500, 0x1200, "  S 1200"},
      {0x0600, 0x0099, " * T 99"},
      {0x0000, 0x1234, " *"},
      {0x8900, 0x1234, " "},
      {0x8F00, 0x1234, " "},
  };
  for (auto c : cases) EXPECT_EQ(EntryText(c.hi, c.lo), c.text) << std::hex << c.hi;
}

struct BlockRig : Rig {
  void Put(std::uint32_t first, const std::vector<Entry>& entries) {
    for (std::size_t k = 0; k < entries.size(); ++k) {
      std::uint32_t address = cell::BLOCK_TABLE + 2 * (first + static_cast<std::uint32_t>(k));
      SetData(address, entries[k].first);
      SetData(address + 1, entries[k].second);
    }
  }
  void Decode(std::uint16_t index) {
    SetData(cell::BLOCK_INDEX, index);
    panel->DecodeBlock();
  }
};

TEST(DecodeBlock, WorkedExample) {
  BlockRig rig;
  rig.panel->StartUp();
  rig.Put(5, {{0x0300, 0x0001}, {0x5100, 0x05DC}, {0x82FF, 0xFF38}});
  EXPECT_EQ(rig.m->DataMemory[0x45B1 - DATA_BASE], 0x0300);
  rig.Decode(5);
  const std::string text = " * G 1 * X +\\ L 1500  Z -200";
  EXPECT_EQ(rig.Caption("kom"), text);
  EXPECT_EQ(rig.Caption("n"), "5");
  EXPECT_EQ(rig.panel->TraceGate(), 8);
  rig.panel->Trace().Flush();
  EXPECT_EQ(ReadFile(rig.TracePath()), "5 -> " + text + "\n");
}

TEST(DecodeBlock, GateHoldsAMultiEntryBlockUntilTheIndexPassesIt) {
  BlockRig rig;
  rig.panel->StartUp();
  rig.Put(5, {{0x0300, 0x0001}, {0x5100, 0x05DC}, {0x82FF, 0xFF38}});
  rig.Put(7, {{0x82FF, 0xFF38}});
  rig.Put(8, {{0x8400, 0x0007}});
  rig.Put(2, {{0x8100, 0x0004}});
  rig.Decode(5);
  rig.Decode(6);  // inside the block just shown: nothing changes
  rig.Decode(7);
  EXPECT_EQ(rig.Caption("n"), "5");
  EXPECT_EQ(rig.panel->TraceGate(), 8);
  rig.Decode(8);
  EXPECT_EQ(rig.Caption("kom"), "  M 7");
  EXPECT_EQ(rig.panel->TraceGate(), 0);  // one-entry blocks leave the gate open
  rig.Decode(8);
  rig.Decode(2);  // backwards is fine while the gate is open
  rig.panel->Trace().Flush();
  EXPECT_EQ(ReadFile(rig.TracePath()),
            "5 ->  * G 1 * X +\\ L 1500  Z -200\n"
            "8 ->   M 7\n"
            "8 ->   M 7\n"
            "2 ->   X 4\n");
}

TEST(DecodeBlock, KeysNAndDiamondBarReopenTheGate) {
  for (const char* key : {"k0x21", "k0x3D"}) {
    BlockRig rig;
    rig.Put(5, {{0x0300, 0x0001}, {0x8100, 0x0002}});
    rig.Put(3, {{0x8600, 0x0012}});
    rig.Decode(5);
    EXPECT_EQ(rig.panel->TraceGate(), 7);
    rig.panel->PultKeyClik("k0x13");
    EXPECT_EQ(rig.panel->TraceGate(), 7);
    rig.Decode(3);
    EXPECT_EQ(rig.Caption("n"), "5");
    rig.panel->PultKeyClik(key);
    EXPECT_EQ(rig.panel->TraceGate(), 0) << key;
    rig.Decode(3);
    EXPECT_EQ(rig.Caption("kom"), "  T 12");
    EXPECT_EQ(rig.Caption("n"), "3");
  }
}

TEST(DecodeBlock, StopsAtTheEndOfRamAndShowsWhatItDecoded) {
  BlockRig rig;
  rig.panel->StartUp();
  const std::uint16_t last = BLOCK_ENTRY_COUNT - 1;  // entry 1323, words 0x4FFD and 0x4FFE
  EXPECT_EQ(last, 1323);
  rig.Put(last - 1, {{0x0300, 0x0001}, {0x0400, 0x0002}});
  rig.SetData(0x4FFF, 0x8000);  // half an entry: never read
  rig.Decode(last - 1);
  EXPECT_EQ(rig.Caption("kom"), " * G 1 * M 2");
  EXPECT_EQ(rig.Caption("n"), "1322");
  EXPECT_EQ(rig.panel->TraceGate(), 1324);

  // An index past the table decodes nothing, but the display and the log still say where it was.
  BlockRig far;
  far.panel->StartUp();
  far.Decode(0xFFFF);
  EXPECT_EQ(far.Caption("kom"), "");
  EXPECT_EQ(far.Caption("n"), "-1");
  EXPECT_EQ(far.panel->TraceGate(), 0);
  far.Decode(1324);
  far.panel->Trace().Flush();
  EXPECT_EQ(ReadFile(far.TracePath()), "-1 -> \n1324 -> \n");
}

TEST(DecodeBlock, UnterminatedLastEntryClosesTheGate) {
  BlockRig rig;
  rig.Put(1323, {{0x0300, 0x0001}});
  rig.Decode(1323);
  EXPECT_EQ(rig.Caption("kom"), " * G 1");
  EXPECT_EQ(rig.panel->TraceGate(), 1324);
}

}  // namespace
}  // namespace kv74::test
