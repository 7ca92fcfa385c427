#include <gtest/gtest.h>

#include "machine_fixture.hpp"

namespace kv74::test {
namespace {

class PortsTest : public PeriphTest {
 protected:
  void SetUp() override { m[reg::PORT_IN] = 0x0100; }
  bool Busy() const { return (m[reg::PORT_IN] & port::BUSY) != 0; }
};

struct StartCase {
  std::uint16_t out;  // word 36 before the write
  int word;           // the port word written
  std::uint16_t value;
  bool starts;
};

class StartCheckTest : public PortsTest, public testing::WithParamInterface<StartCase> {};

TEST_P(StartCheckTest, StartsOnlyOnAQualifyingOutputPort) {
  const StartCase& c = GetParam();
  m[reg::PORT_OUT] = c.out;
  PortWrite(m.sequencer, m, c.word, c.value);
  EXPECT_EQ(m[c.word], c.value);
  EXPECT_EQ(m.sequencer.state, c.starts ? SeqState::Start : SeqState::Idle);
}

INSTANTIATE_TEST_SUITE_P(Patterns, StartCheckTest,
                         testing::Values(StartCase{0, reg::PORT_OUT, 0x4100, true},
                                         StartCase{0, reg::PORT_OUT, 0x47FF, true},
                                         StartCase{0, reg::PORT_OUT, 0x6125, true},
                                         StartCase{0, reg::PORT_OUT, 0xC100, false},  // bit 15 set
                                         StartCase{0, reg::PORT_OUT, 0x4000, false},  // code 0
                                         StartCase{0, reg::PORT_OUT, 0x0100, false},  // no request
                                         StartCase{0, reg::PORT_OUT, 0x2325, false},
                                         StartCase{0x4100, reg::PORT_PLAIN, 0x1234, true},
                                         StartCase{0x4100, reg::PORT_IN, 0x0000, true},
                                         StartCase{0x4000, reg::PORT_PLAIN, 0x0700, false},
                                         StartCase{0x0300, reg::PORT_IN, 0x4000, false}));

TEST_F(PortsTest, ReadsReturnTheStoredWords) {
  PortWrite(m.sequencer, m, reg::PORT_PLAIN, 0xBEEF);
  PortWrite(m.sequencer, m, reg::PORT_IN, 0x1234);
  PortWrite(m.sequencer, m, reg::PORT_OUT, 0x8001);
  EXPECT_EQ(PortRead(m, reg::PORT_PLAIN), 0xBEEF);
  EXPECT_EQ(PortRead(m, reg::PORT_IN), 0x1234);
  EXPECT_EQ(PortRead(m, reg::PORT_OUT), 0x8001);
}

TEST_F(PortsTest, ExchangeTimingFromStartToDone) {
  PortWrite(m.sequencer, m, reg::PORT_OUT, 0x4100);
  Tick();  // Start
  EXPECT_TRUE(Busy());
  EXPECT_EQ(m.NotifyWord, notify::SEQ_INPUT);
  EXPECT_EQ(m.sequencer.state, SeqState::AwaitStrobe);
  EXPECT_EQ(m.sequencer.code, 1);
  m.NotifyWord = 0;
  Tick(1000);  // no strobe: waits with the answer bit set
  EXPECT_EQ(m.sequencer.state, SeqState::AwaitStrobe);
  EXPECT_TRUE(Busy());

  PortWrite(m.sequencer, m, reg::PORT_OUT, 0x2125);  // strobe, request dropped: no restart
  Tick();                                            // the strobe is seen: tick 0 of the busy time
  EXPECT_EQ(m.sequencer.state, SeqState::Latched);
  EXPECT_EQ(m.sequencer.code, 0x251);
  EXPECT_EQ(m.NotifyWord, 0u);
  Tick();
  EXPECT_EQ(m.NotifyWord, notify::SEQ_LATCHED);
  EXPECT_EQ(m.sequencer.state, SeqState::Busy);
  m.NotifyWord = 0;
  Tick(2500000);  // ticks 2..2,500,001 count down
  EXPECT_TRUE(Busy());
  EXPECT_EQ(m.sequencer.countdown, 0u);
  EXPECT_EQ(m.NotifyWord, 0u);
  Tick();  // tick 2,500,002 finds the countdown at 0
  EXPECT_FALSE(Busy());
  EXPECT_EQ(m[reg::PORT_IN], 0x0100);
  EXPECT_EQ(m.NotifyWord, notify::SEQ_INPUT);
  EXPECT_EQ(m.sequencer.state, SeqState::Done);
  m.NotifyWord = 0;
  Tick(100);
  EXPECT_EQ(m.sequencer.state, SeqState::Done);
  EXPECT_EQ(m.NotifyWord, 0u);
  EXPECT_EQ(m.sequencer.code, 0x251);
}

TEST_F(PortsTest, QualifyingStrobeWriteRestartsTheExchange) {
  PortWrite(m.sequencer, m, reg::PORT_OUT, 0x4100);
  Tick();
  PortWrite(m.sequencer, m, reg::PORT_OUT, 0x6125);
  EXPECT_EQ(m.sequencer.state, SeqState::Start);
  EXPECT_EQ(m.sequencer.code, 0);
  Tick();  // Start again, code 1
  EXPECT_EQ(m.sequencer.code, 1);
  Tick();  // strobe seen
  EXPECT_EQ(m.sequencer.code, 0x251);
  m.NotifyWord = 0;
  Tick();
  EXPECT_EQ(m.NotifyWord, notify::SEQ_LATCHED);
}

TEST_F(PortsTest, CodeLatchedAtStartSurvivesLaterChanges) {
  PortWrite(m.sequencer, m, reg::PORT_OUT, 0x4100);
  Tick();
  PortWrite(m.sequencer, m, reg::PORT_OUT, 0x2325);
  Tick();
  EXPECT_EQ(m.sequencer.code, 0x251);
  PortWrite(m.sequencer, m, reg::PORT_OUT,
            0x20FF);  // the byte is taken only at the first strobe tick
  Tick(2);
  EXPECT_EQ(m.sequencer.code, 0x251);
}

TEST_F(PortsTest, FirmwareClearOfTheInputPortDoesNotStopTheCountdown) {
  PortWrite(m.sequencer, m, reg::PORT_OUT, 0x4400);
  Tick();
  PortWrite(m.sequencer, m, reg::PORT_OUT, 0x2000 | 0x0042);
  Tick(2);
  PortWrite(m.sequencer, m, reg::PORT_IN, 0);  // also the answer bit
  EXPECT_FALSE(Busy());
  m.NotifyWord = 0;
  Tick(2500000);
  EXPECT_EQ(m.sequencer.state, SeqState::Busy);
  Tick();
  EXPECT_EQ(m.sequencer.state, SeqState::Done);
  EXPECT_EQ(m[reg::PORT_IN], 0);
  EXPECT_EQ(m.NotifyWord, notify::SEQ_INPUT);
  EXPECT_EQ(m.sequencer.code, 0x424);
}

TEST_F(PortsTest, RestartDuringBusyBeginsAnew) {
  PortWrite(m.sequencer, m, reg::PORT_OUT, 0x4100);
  Tick();
  PortWrite(m.sequencer, m, reg::PORT_OUT, 0x2177);
  Tick(1000);
  EXPECT_EQ(m.sequencer.state, SeqState::Busy);
  PortWrite(m.sequencer, m, reg::PORT_OUT, 0x4200);
  EXPECT_EQ(m.sequencer.state, SeqState::Start);
  EXPECT_EQ(m.sequencer.code, 0);
  Tick();
  EXPECT_EQ(m.sequencer.code, 2);
  EXPECT_EQ(m.sequencer.state, SeqState::AwaitStrobe);
  EXPECT_TRUE(Busy());
}

}  // namespace
}  // namespace kv74::test
