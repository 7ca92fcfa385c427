#include "cpu/bus.hpp"

#include <gtest/gtest.h>

#include "tests/cpu/machine_fixture.hpp"

namespace kv74 {
namespace {

using testing::Machine;

TEST(BusRead, MemoryAreasAndIllegalAddresses) {
  const struct {
    std::uint16_t a;
    std::uint16_t value;  // 0 for an address outside the areas
    bool faults;
  } cases[] = {
      {0x0000, 0x1000, false},
      {0x1FFF, 0x1FFF, false},
      {0x2000, 0, true},
      {0x3FFF, 0, true},
      {0x4000, 0x4000, false},
      {0x4FFF, 0x4FFF, false},
      {0x5000, 0, true},
      {0x6FFF, 0, true},
      {0x7000, 0x7000, false},
      {0x7FFF, 0x7FFF, false},
      {0x8000, 0, true},
      {0xEFFF, 0, true},
      {0xF200, 0, true},
      {0xFFFF, 0, true},
      // Unmapped I/O addresses: silent when bits 4..6 are below 6.
      {0xF030, 0, false},
      {0xF05F, 0, false},
      {0xF060, 0, true},
      {0xF07F, 0, true},
      {0xF080, 0, false},
      {0xF0E0, 0, true},
      {0xF0FF, 0, true},
      {0xF142, 0, false},
      {0xF155, 0, false},
      {0xF160, 0, true},
      {0xF170, 0, true},
      {0xF1A0, 0, false},
      {0xF1E0, 0, true},
      {0xF1FF, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << "address 0x" << c.a);
    Machine x;
    x.At(0x0000) = 0x1000;
    for (std::uint16_t a : {0x1FFF, 0x4000, 0x4FFF, 0x7000, 0x7FFF}) x.At(a) = a;
    EXPECT_EQ(BusRead(x.m, c.a), c.value);
    EXPECT_EQ(x.Faults(), c.faults ? fault::BAD_ADDRESS : 0);
  }
}

TEST(BusRead, RegisterWordsThroughTheIoPage) {
  const struct {
    std::uint16_t a;
    int word;
    std::uint16_t stored, read;
  } cases[] = {
      {0xF000, 0, 0x1234, 0x1234},
      {0xF00F, 15, 0xBEEF, 0xBEEF},
      {0xF010, reg::BASE0, 0x4000, 0x4000},
      {0xF013, reg::PC, 0x0100, 0x0100},
      {0xF020, reg::FLAGS, 0xF123, 0xF123},
      {0xF033, reg::SCRATCH, 7, 7},
      {0xF03B, reg::IMASK, 0x0010, 0x0010},
      {0xF110, reg::TIMER_INHIBIT, 3, 3},
      {0xF120, reg::IND1, 0x9876, 0x9876},
      {0xF125, reg::SIGLAMPS, 5, 5},
      {0xF140, reg::RATE0, 0xFFFF, 0x87FF},
      {0xF141, reg::RATE0 + 1, 0x7800, 0x0000},
      {0xF143, reg::RATE0 + 2, 0x8ABC, 0x82BC},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << "address 0x" << c.a);
    Machine x;
    x[c.word] = c.stored;
    EXPECT_EQ(BusRead(x.m, c.a), c.read);
    EXPECT_EQ(x[c.word], c.stored);  // the rate mask applies to the value read only
    EXPECT_EQ(x.Faults(), 0);
  }
}

TEST(BusRead, KeyboardCodeBelow112IsTakenOnce) {
  const struct {
    std::uint16_t stored, read, left;
  } cases[] = {{0x0041, 0x0041, 0},
               {0x006F, 0x006F, 0},
               {0x0070, 0x0070, 0x0070},
               {0x0075, 0x0075, 0x0075},
               {0x0000, 0, 0}};
  for (const auto& c : cases) {
    Machine x;
    x[reg::KEYBOARD] = c.stored;
    EXPECT_EQ(BusRead(x.m, 0xF126), c.read);
    EXPECT_EQ(x[reg::KEYBOARD], c.left);
  }
}

TEST(BusRead, TimerWordsAllReadTheRunningCount) {
  Machine x;
  x.m.timer.count = 0x0042;
  x[reg::TIMER_RELOAD] = 1, x[reg::TIMER_MODE] = 2, x[reg::TIMER_RUN] = 3;
  const std::uint16_t first = BusRead(x.m, 0xF100);
  EXPECT_EQ(BusRead(x.m, 0xF101), first);
  EXPECT_EQ(BusRead(x.m, 0xF102), first);
}

TEST(BusWrite, StoresAndFaults) {
  const struct {
    std::uint16_t a;
    bool stored, faults;
  } cases[] = {
      {0x0100, false, true}, {0x1FFF, false, true},  {0x2000, false, true}, {0x4000, true, false},
      {0x4FFF, true, false}, {0x5000, false, true},  {0x7000, false, true}, {0x7FFF, false, true},
      {0x8000, false, true}, {0xF030, false, false}, {0xF060, false, true}, {0xF200, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << "address 0x" << c.a);
    Machine x;
    BusWrite(x.m, c.a, 0x1234);
    if (c.a < 0xF000) {
      EXPECT_EQ(x.At(c.a), c.stored ? 0x1234 : 0);
    }
    EXPECT_EQ(x.Faults(), c.faults ? fault::BAD_ADDRESS : 0);
    EXPECT_EQ(x.m.NotifyWord, 0u);
  }
}

TEST(BusWrite, ProcessorRegistersAreNotWriteProtected) {
  for (int w : {0, 15, reg::BASE0, reg::BASE1, reg::SP, reg::PC, reg::FLAGS, reg::SCRATCH,
                reg::IMASK, reg::KEYBOARD}) {
    SCOPED_TRACE(w);
    Machine x;
    std::uint16_t a = 0;
    while (IoMap[a] != w + 1) ++a;
    BusWrite(x.m, static_cast<std::uint16_t>(IO_BASE + a), 0x5A5A);
    EXPECT_EQ(x[w], 0x5A5A);
    EXPECT_EQ(x.m.NotifyWord, 0u);
  }
}

TEST(BusWrite, PanelWordsNotifyOnlyWhenTheyChange) {
  const struct {
    std::uint16_t a;
    int word;
    std::uint32_t bit;
  } cases[] = {
      {0xF120, reg::IND1, 1u << 1},     {0xF121, reg::IND2, 1u << 2},
      {0xF122, reg::IND3, 1u << 3},     {0xF123, reg::IND4, 1u << 4},
      {0xF124, reg::KEYLAMPS, 1u << 5}, {0xF125, reg::SIGLAMPS, 1u << 6},
      {0xF132, reg::PORT_OUT, 1u << 7}, {0xF143, reg::RATE0 + 2, 1u << 10},
      {0xF140, reg::RATE0, 0},          {0xF141, reg::RATE0 + 1, 0},
      {0xF130, reg::PORT_PLAIN, 0},     {0xF126, reg::KEYBOARD, 0},
      {0xF033, reg::SCRATCH, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << "address 0x" << c.a);
    Machine x;
    x[c.word] = 0x0011;
    BusWrite(x.m, c.a, 0x0011);
    EXPECT_EQ(x.m.NotifyWord, 0u) << "unchanged value";
    BusWrite(x.m, c.a, 0x0022);
    EXPECT_EQ(x.m.NotifyWord, c.bit) << "changed value";
    x.m.NotifyWord = 0;
    BusWrite(x.m, c.a, 0x0022);
    EXPECT_EQ(x.m.NotifyWord, 0u) << "same value again";
  }
}

TEST(BusWrite, WatchedCellsNotifyOnEveryStore) {
  const struct {
    std::uint16_t a;
    std::uint32_t bit;
  } cases[] = {
      {0x4235, notify::FEED},
      {0x425F, notify::POSITION},
      {0x4261, notify::POSITION},
      {0x4212, notify::SPINDLE},
      {0x425E, 0},
      {0x4260, 0},
      {0x4211, 0},
      {0x4236, 0},
      {0x4262, 0},
      {0x410A, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << "address 0x" << c.a);
    Machine x;
    for (int i = 0; i < 2; ++i) {  // the same value twice
      x.m.NotifyWord = 0;
      BusWrite(x.m, c.a, 0x0007);
      EXPECT_EQ(x.m.NotifyWord, c.bit);
      EXPECT_EQ(x.At(c.a), 0x0007);
    }
  }
}

TEST(BusWrite, NotificationBitsAccumulate) {
  Machine x;
  x.m.NotifyWord = notify::SEQ_LATCHED;
  BusWrite(x.m, 0xF121, 1);
  BusWrite(x.m, 0x4212, 1);
  EXPECT_EQ(x.m.NotifyWord, notify::SEQ_LATCHED | (1u << 2) | notify::SPINDLE);
}

}  // namespace
}  // namespace kv74
