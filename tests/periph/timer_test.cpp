#include <gtest/gtest.h>

#include "machine_fixture.hpp"

namespace kv74::test {
namespace {

class TimerTest : public PeriphTest {
 protected:
  bool Requested() const { return (m[reg::FAULTS] & fault::TIMER) != 0; }
  // Ticks until the next request and takes it, as the request entry would.
  std::uint64_t NextRequest(std::uint64_t limit) {
    const std::uint64_t n = TicksUntil([&] { return Requested(); }, limit);
    m[reg::FAULTS] &= static_cast<std::uint16_t>(~fault::TIMER);
    return n;
  }
};

TEST_F(TimerTest, StoppedTimerNeverAdvances) {
  for (std::uint16_t mode : {0, 1, 2, 3}) {
    TimerWrite(m.timer, m, reg::TIMER_MODE, mode);
    Tick(1000);
    EXPECT_EQ(m.timer.prescaler, 100) << "mode " << mode;
    EXPECT_EQ(m.timer.count, 0);
    EXPECT_EQ(m[reg::FAULTS], 0);
  }
}

class TimerPeriodTest : public TimerTest, public testing::WithParamInterface<std::uint16_t> {};

TEST_P(TimerPeriodTest, PeriodicIntervalIsReloadPlusOneTimes101) {
  const std::uint16_t reload = GetParam();
  TimerWrite(m.timer, m, reg::TIMER_MODE, timer::PERIODIC);
  TimerWrite(m.timer, m, reg::TIMER_RELOAD, reload);
  const std::uint64_t interval = (reload + 1u) * 101u;
  EXPECT_EQ(NextRequest(interval * 2), interval);  // fresh prescaler: a full first cycle
  for (int i = 0; i < 3; ++i) EXPECT_EQ(NextRequest(interval * 2), interval);
  EXPECT_NE(m[reg::TIMER_RUN] & timer::RUN, 0);
}

INSTANTIATE_TEST_SUITE_P(Reloads, TimerPeriodTest, testing::Values(0, 1, 5, 300));

TEST_F(TimerTest, PrescalerRollsOverEvery101Ticks) {
  TimerWrite(m.timer, m, reg::TIMER_RELOAD, 1000);
  Tick(100);
  EXPECT_EQ(m.timer.prescaler, 0);
  EXPECT_EQ(m.timer.count, 1000);
  Tick(1);
  EXPECT_EQ(m.timer.prescaler, 100);
  EXPECT_EQ(m.timer.count, 999);
  Tick(101 * 9);
  EXPECT_EQ(m.timer.count, 990);
}

TEST_F(TimerTest, ReloadKeepsThePrescalerCycleInProgress) {
  TimerWrite(m.timer, m, reg::TIMER_RUN, timer::RUN);
  TimerWrite(m.timer, m, reg::TIMER_RELOAD, 2000);
  Tick(40);  // prescaler now 60
  TimerWrite(m.timer, m, reg::TIMER_RELOAD, 0);
  EXPECT_EQ(NextRequest(1000), 61u);
}

TEST_F(TimerTest, RunBitAloneWithCountZeroExpiresAtNextRollover) {
  TimerWrite(m.timer, m, reg::TIMER_RUN, timer::RUN);
  EXPECT_EQ(NextRequest(1000), 101u);
}

TEST_F(TimerTest, StopKeepsPrescalerAndRestartResumesIt) {
  TimerWrite(m.timer, m, reg::TIMER_RELOAD, 3);
  Tick(30);
  TimerWrite(m.timer, m, reg::TIMER_RUN, 0);
  Tick(5000);
  EXPECT_EQ(m.timer.prescaler, 70);
  EXPECT_EQ(m.timer.count, 3);
  TimerWrite(m.timer, m, reg::TIMER_RUN, timer::RUN);  // restart without reload
  EXPECT_EQ(NextRequest(10000), 71u + 3 * 101);
}

TEST_F(TimerTest, OneShotExpiresOnceAndStops) {
  TimerWrite(m.timer, m, reg::TIMER_MODE, 0);
  TimerWrite(m.timer, m, reg::TIMER_RELOAD, 2);
  EXPECT_EQ(NextRequest(1000), 303u);
  EXPECT_EQ(m[reg::TIMER_RUN] & timer::RUN, 0);
  Tick(2000);
  EXPECT_FALSE(Requested());
  for (int w : {reg::TIMER_RELOAD, reg::TIMER_MODE, reg::TIMER_RUN}) {
    EXPECT_EQ(TimerRead(m.timer), 0xFFFF) << w;
  }
}

struct InhibitCase {
  std::uint16_t mode, inhibit;
  bool request;
};

class TimerInhibitTest : public TimerTest, public testing::WithParamInterface<InhibitCase> {};

TEST_P(TimerInhibitTest, InhibitedExpiryStillReloadsOrStops) {
  const InhibitCase& c = GetParam();
  TimerWrite(m.timer, m, reg::TIMER_MODE, c.mode);
  TimerWrite(m.timer, m, reg::TIMER_INHIBIT, c.inhibit);
  TimerWrite(m.timer, m, reg::TIMER_RELOAD, 4);
  Tick(505);
  EXPECT_EQ(Requested(), c.request);
  const bool periodic = c.mode & timer::PERIODIC;
  EXPECT_EQ(m.timer.count, periodic ? 4 : 0xFFFF);
  EXPECT_EQ((m[reg::TIMER_RUN] & timer::RUN) != 0, periodic);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TimerInhibitTest,
    testing::Values(InhibitCase{timer::PERIODIC, 0, true},
                    InhibitCase{timer::PERIODIC | timer::MODE_QUIET, 0, false},
                    InhibitCase{timer::PERIODIC, timer::INHIBIT, false}, InhibitCase{0, 0, true},
                    InhibitCase{timer::MODE_QUIET, 0, false},
                    InhibitCase{0, timer::INHIBIT | 0xFFFE, false},
                    // Only bit 1 of the mode and bit 0 of the inhibit register count.
                    InhibitCase{0xFFFC, 0xFFFE, true}));

TEST_F(TimerTest, ReadsReturnTheLiveCountOnAllThreeWords) {
  TimerWrite(m.timer, m, reg::TIMER_MODE, 0x00F1);
  TimerWrite(m.timer, m, reg::TIMER_RELOAD, 0x1234);
  Tick(101 * 3);
  for (int w : {reg::TIMER_RELOAD, reg::TIMER_MODE, reg::TIMER_RUN}) {
    EXPECT_EQ(TimerRead(m.timer), 0x1231) << w;
  }
  EXPECT_EQ(m[reg::TIMER_RELOAD], 0x1234);
  EXPECT_EQ(m[reg::TIMER_MODE], 0x00F1);
}

TEST_F(TimerTest, WritesOfModeRunAndInhibitOnlyStore) {
  TimerWrite(m.timer, m, reg::TIMER_MODE, 0xABCD);
  TimerWrite(m.timer, m, reg::TIMER_INHIBIT, 0x7FFF);
  EXPECT_EQ(m[reg::TIMER_MODE], 0xABCD);
  EXPECT_EQ(m[reg::TIMER_INHIBIT], 0x7FFF);
  EXPECT_EQ(m[reg::TIMER_RUN], 0);
  EXPECT_EQ(m.timer.count, 0);
  TimerWrite(m.timer, m, reg::TIMER_RUN, 0x8001);
  EXPECT_EQ(m[reg::TIMER_RUN], 0x8001);
  EXPECT_EQ(m.timer.count, 0);
}

// As the firmware writes it: bit 15 of the run register, and no other bit, runs the timer.
TEST_F(TimerTest, OnlyBit15OfTheRunRegisterRunsTheTimer) {
  TimerWrite(m.timer, m, reg::TIMER_RUN, 0x7FFF);
  Tick(1000);
  EXPECT_EQ(m.timer.prescaler, 100);
  TimerWrite(m.timer, m, reg::TIMER_RUN, 0x8000);
  EXPECT_EQ(NextRequest(1000), 101u);
  EXPECT_EQ(m[reg::TIMER_RUN], 0x0000);  // one-shot expiry clears bit 15
  TimerWrite(m.timer, m, reg::TIMER_RELOAD, 7);
  EXPECT_EQ(m[reg::TIMER_RUN], 0x8000);
}

}  // namespace
}  // namespace kv74::test
