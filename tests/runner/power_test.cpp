#include "board/power.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace kv74::test {
namespace {

TEST(PowerOnTest, RegistersZeroExceptInputPortAndPeripheralsAtRest) {
  auto owner = std::make_unique<MachineState>();
  MachineState& m = *owner;
  // Dirty everything PowerOn owns, and the memory it must keep.
  m.RegisterFile.fill(0xFFFF);
  m.NotifyWord = 0xFFFFFFFF;
  m.opWord = m.extWord = 0x1234;
  m.timerPrescaler = 7;
  m.timerCount = 8;
  m.channelPeriod = {1, 2, 3};
  m.channelDivider = {1, 2, 3};
  m.channelMarkCount = {1, 2, 3};
  m.jogDivider = 9;
  m.jogSampleCount = 10;
  m.seqState = SeqState::Busy;
  m.seqCode = 0x251;
  m.seqCountdown = 5;
  m.ProgramMemory[0] = 0xE350;
  m.DataMemory[5] = 0x55;
  m.TableMemory[6] = 0x66;

  PowerOn(m);

  for (int w = 0; w < reg::COUNT; ++w) {
    EXPECT_EQ(m.Word(w), w == reg::PORT_IN ? 0x0100 : 0) << "word " << w;
  }
  EXPECT_EQ(m.NotifyWord, 0u);
  EXPECT_EQ(m.opWord, 0);
  EXPECT_EQ(m.extWord, 0);
  EXPECT_EQ(m.timerPrescaler, 100);
  EXPECT_EQ(m.timerCount, 0);
  EXPECT_EQ(m.channelPeriod, (std::array<std::uint16_t, 3>{}));
  EXPECT_EQ(m.channelDivider, (std::array<std::uint16_t, 3>{}));
  EXPECT_EQ(m.channelMarkCount, (std::array<std::uint16_t, 3>{}));
  EXPECT_EQ(m.jogDivider, 0);
  EXPECT_EQ(m.jogSampleCount, 0);
  EXPECT_EQ(m.seqState, SeqState::Idle);
  EXPECT_EQ(m.seqCode, 0);
  EXPECT_EQ(m.seqCountdown, 0u);
  EXPECT_EQ(m.ProgramMemory[0], 0xE350);
  EXPECT_EQ(m.DataMemory[5], 0x55);
  EXPECT_EQ(m.TableMemory[6], 0x66);
}

}  // namespace
}  // namespace kv74::test
