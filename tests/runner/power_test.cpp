#include "board/power.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace kv74::test {
namespace {

TEST(PowerOnTest, RegistersZeroExceptInputPortAndPeripheralsAtRest) {
  auto owner = std::make_unique<BoardState>();
  BoardState& m = *owner;
  // Dirty everything PowerOn owns, and the memory it must keep.
  m.RegisterFile.fill(0xFFFF);
  m.NotifyWord = 0xFFFFFFFF;
  m.opWord = m.extWord = 0x1234;
  m.timer.prescaler = 7;
  m.timer.count = 8;
  m.channels.period = {1, 2, 3};
  m.channels.divider = {1, 2, 3};
  m.channels.markCount = {1, 2, 3};
  m.channels.jogDivider = 9;
  m.channels.jogSampleCount = 10;
  m.sequencer.state = SeqState::Busy;
  m.sequencer.code = 0x251;
  m.sequencer.countdown = 5;
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
  EXPECT_EQ(m.timer.prescaler, 100);
  EXPECT_EQ(m.timer.count, 0);
  EXPECT_EQ(m.channels.period, (std::array<std::uint16_t, 3>{}));
  EXPECT_EQ(m.channels.divider, (std::array<std::uint16_t, 3>{}));
  EXPECT_EQ(m.channels.markCount, (std::array<std::uint16_t, 3>{}));
  EXPECT_EQ(m.channels.jogDivider, 0);
  EXPECT_EQ(m.channels.jogSampleCount, 0);
  EXPECT_EQ(m.sequencer.state, SeqState::Idle);
  EXPECT_EQ(m.sequencer.code, 0);
  EXPECT_EQ(m.sequencer.countdown, 0u);
  EXPECT_EQ(m.ProgramMemory[0], 0xE350);
  EXPECT_EQ(m.DataMemory[5], 0x55);
  EXPECT_EQ(m.TableMemory[6], 0x66);
}

}  // namespace
}  // namespace kv74::test
