#include <gtest/gtest.h>

#include "machine_fixture.hpp"

namespace kv74::test {
namespace {

TEST(RateMagnitude, LowElevenBitsWithTwosComplementAbove0x7FFE) {
  struct Case {
    std::uint16_t rate, mag;
  };
  const Case cases[] = {
      {0x0001, 1},    {0x0003, 3},   {0x0064, 100}, {0x07FF, 2047}, {0x0FFF, 2047}, {0x7801, 1},
      {0x7FFE, 2046}, {0x7FFF, 1},   {0xFFFF, 1},   {0xFFFE, 2},    {0xF800, 2048}, {0x8000, 2048},
      {0x8001, 2047}, {0xFF9C, 100}, {0x0800, 0},   {0x7800, 0},    {0x0000, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(RateMagnitude(c.rate), c.mag) << std::hex << c.rate;
}

class PulseTest : public PeriphTest {
 protected:
  void Enable() { m[reg::PORT_OUT] |= pulse::ENABLE; }
  // Ticks until counter word w changes; returns the ticks taken.
  std::uint64_t NextStep(int w, std::uint64_t limit) {
    const std::uint16_t before = m[w];
    return TicksUntil([&] { return m[w] != before; }, limit);
  }
};

struct PeriodCase {
  std::uint16_t rate;
  std::uint16_t period;
  std::uint64_t ticksPerStep;
  std::uint16_t firstCount;  // counter after one step from 0
};

class PulsePeriodTest : public PulseTest, public testing::WithParamInterface<PeriodCase> {};

TEST_P(PulsePeriodTest, StepsEveryPeriodPlusOneTicks) {
  const PeriodCase& c = GetParam();
  for (int ch = 0; ch < 3; ++ch) {
    SCOPED_TRACE(ch);
    Enable();
    PulseChannelWrite(m.channels, m, reg::RATE0 + ch, c.rate);
    EXPECT_EQ(m.channels.period[static_cast<std::size_t>(ch)], c.period);
    const int w = reg::COUNT0 + ch;
    EXPECT_EQ(NextStep(w, 20000), c.ticksPerStep);
    EXPECT_EQ(m[w], c.firstCount);
    EXPECT_EQ(NextStep(w, 20000), c.ticksPerStep);
    PulseChannelWrite(m.channels, m, reg::RATE0 + ch, 0);  // park it for the next channel
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rates, PulsePeriodTest,
    testing::Values(PeriodCase{0x0001, 10000, 10001, 0x0001},
                    PeriodCase{0xFFFF, 10000, 10001, 0xFFFF}, PeriodCase{0x0064, 100, 101, 0x0001},
                    PeriodCase{0x0003, 3333, 3334, 0x0001}, PeriodCase{0x8000, 4, 5, 0xFFFF},
                    PeriodCase{0x07FF, 4, 5, 0x0001}, PeriodCase{0x7FFF, 10000, 10001, 0x0001}));

TEST_F(PulseTest, RateWrittenWhileDisabledKeepsThePeriod) {
  PulseChannelWrite(m.channels, m, reg::RATE0, 0x0064);
  EXPECT_EQ(m.channels.period[0], 0);
  Tick(10);
  EXPECT_EQ(m[reg::COUNT0], 0);  // disabled: no steps
  Enable();
  Tick(7);
  EXPECT_EQ(m[reg::COUNT0], 7);  // period 0: a step on every tick
}

TEST_F(PulseTest, RateWithoutMagnitudeKeepsTheLastPeriod) {
  Enable();
  PulseChannelWrite(m.channels, m, reg::RATE0 + 1, 0x0064);
  for (std::uint16_t rate : {0x0800, 0x1000, 0x7800}) {
    PulseChannelWrite(m.channels, m, reg::RATE0 + 1, rate);
    EXPECT_EQ(m[reg::RATE0 + 1], rate);
    EXPECT_EQ(m.channels.period[1], 100) << std::hex << rate;
  }
  EXPECT_EQ(NextStep(reg::COUNT0 + 1, 1000), 101u);  // still stepping up at the old period
  EXPECT_EQ(m[reg::COUNT0 + 1], 1);
}

TEST_F(PulseTest, IdleChannelKeepsItsDivider) {
  Enable();
  PulseChannelWrite(m.channels, m, reg::RATE0, 0x0064);
  Tick(60);
  m[reg::PORT_OUT] = 0;
  Tick(500);
  EXPECT_EQ(m.channels.divider[0], 60);
  Enable();
  EXPECT_EQ(NextStep(reg::COUNT0, 1000), 41u);
}

TEST_F(PulseTest, CounterDirectionBitIsForced) {
  struct Case {
    std::uint16_t start, rate;
    int steps;
    std::uint16_t end;
  };
  const Case cases[] = {
      {0x0000, 0x8000, 10, 0xFFF6},  // ten down-steps read as -10
      {0x0005, 0x8000, 1, 0x8004},   // down from a positive count: not sign-corrected
      {0x7FFF, 0x0001, 1, 0x0000},   // up past 32767 wraps within 15 bits
      {0xFFFE, 0x0001, 1, 0x7FFF},   // up from a negative count: bit 15 dropped
      {0x0000, 0x0001, 3, 0x0003},
  };
  Enable();
  for (const Case& c : cases) {
    m.channels.period[2] = 0;
    m[reg::RATE0 + 2] = c.rate;
    m[reg::COUNT0 + 2] = c.start;
    Tick(static_cast<std::uint64_t>(c.steps));
    EXPECT_EQ(m[reg::COUNT0 + 2], c.end) << std::hex << c.start << " " << c.rate;
  }
}

TEST_F(PulseTest, CounterReadClearsCountersButNotTheMarkRegister) {
  for (int w = reg::COUNT0; w <= reg::JOG; ++w) {
    PulseChannelWrite(m.channels, m, w, static_cast<std::uint16_t>(0x100 + w));
    EXPECT_EQ(CounterRead(m, w), 0x100 + w);
    EXPECT_EQ(m[w], 0);
  }
  PulseChannelWrite(m.channels, m, reg::MARK, 0x00F7);
  EXPECT_EQ(CounterRead(m, reg::MARK), 0x00F7);
  EXPECT_EQ(m[reg::MARK], 0x00F7);
}

class PulseMarkTest : public PulseTest, public testing::WithParamInterface<int> {};

TEST_P(PulseMarkTest, ArmedMarkAtThe2501stStepZeroesTheCounter) {
  const int ch = GetParam();
  const int w = reg::COUNT0 + ch;
  Enable();
  m[reg::RATE0 + ch] = 1;  // period 0
  m[reg::MARK] = static_cast<std::uint16_t>(0x0100 | (1u << ch));
  Tick(2500);
  EXPECT_EQ(m[w], 2500);
  EXPECT_EQ(m.channels.markCount[static_cast<std::size_t>(ch)], 2500);
  Tick(1);
  EXPECT_EQ(m[w], 0);
  EXPECT_EQ(m[reg::MARK], 0x0100 | (0x10u << ch));  // disarmed, report bit toggled
  // Unarmed now: the next mark, 2501 steps later, leaves the counter alone.
  Tick(2501);
  EXPECT_EQ(m[w], 2501);
  EXPECT_EQ(m.channels.markCount[static_cast<std::size_t>(ch)], 0);
  EXPECT_EQ(m[reg::MARK], 0x0100 | (0x10u << ch));
  // Re-armed: the report bit toggles back.
  m[reg::MARK] |= static_cast<std::uint16_t>(1u << ch);
  m[w] = 0;
  Tick(2501);
  EXPECT_EQ(m[w], 0);
  EXPECT_EQ(m[reg::MARK], 0x0100);
}

INSTANTIATE_TEST_SUITE_P(Channels, PulseMarkTest, testing::Values(0, 1, 2));

struct JogCase {
  std::uint16_t lamps;
  std::uint32_t buttons;
  std::uint16_t afterOneSample;
};

class JogTest : public PeriphTest, public testing::WithParamInterface<JogCase> {};

TEST_P(JogTest, SamplesEvery720896Ticks) {
  const JogCase& c = GetParam();
  m[reg::KEYLAMPS] = c.lamps;
  m.channels.jogButtons.store(c.buttons);
  Tick(720895);
  EXPECT_EQ(m[reg::JOG], 0);
  Tick(1);
  EXPECT_EQ(m[reg::JOG], c.afterOneSample);
  Tick(720895);  // and every 720896 ticks after that
  EXPECT_EQ(m[reg::JOG], c.afterOneSample);
  Tick(1);
  EXPECT_EQ(m[reg::JOG], static_cast<std::uint16_t>(c.afterOneSample * 2));
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, JogTest,
    testing::Values(JogCase{0x4010, jog::RIGHT, 1}, JogCase{0x4010, jog::DOWN, 1},
                    JogCase{0x4008, jog::UP, 0xFFFF}, JogCase{0x4008, jog::LEFT, 0xFFFF},
                    JogCase{0x4008, jog::UP | jog::RIGHT, 0}, JogCase{0x4010, 0, 0},
                    JogCase{0x4018, jog::RIGHT, 0}, JogCase{0x0010, jog::RIGHT, 0},
                    JogCase{0x4000, jog::LEFT, 0}));

TEST_F(PulseTest, JogCountingPausesWhileThePatternIsAbsent) {
  m.channels.jogButtons.store(jog::RIGHT);
  m[reg::KEYLAMPS] = 0x4008;
  Tick(500000);
  m[reg::KEYLAMPS] = 0x4009;
  Tick(1000000);
  EXPECT_EQ(m.channels.jogDivider, 500000 % 65536);
  EXPECT_EQ(m.channels.jogSampleCount, 500000 / 65536);
  m[reg::KEYLAMPS] = 0x4010;
  Tick(220895);
  EXPECT_EQ(m[reg::JOG], 0);
  Tick(1);
  EXPECT_EQ(m[reg::JOG], 1);
}

}  // namespace
}  // namespace kv74::test
