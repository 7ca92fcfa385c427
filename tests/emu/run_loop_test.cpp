// The run loops around a hand-over: what the receiver changes takes effect from the next step, in
// the scheduled loop as in the step-by-step one.
#include <gtest/gtest.h>

#include "board/step.hpp"
#include "board/thread.hpp"
#include "periph/periph.hpp"
#include "tests/emu/machine_fixture.hpp"

namespace kv74 {
namespace {

using testing::Machine;

// At the first hand-over, starts the stopped timer with its count at 0, as a run-control layer
// might; the request then comes at the next prescaler rollover.
class StartTimerAtHandover : public HandoverReceiver {
 public:
  void Handover(MachineState& m) override {
    if (handovers_++ == 0) m[reg::TIMER_RUN] = timer::RUN;
    m.NotifyWord = 0;
  }

 private:
  int handovers_ = 0;
};

// Step 1 hands over; the prescaler, fresh at 100, rolls over at the 101st tick after it, so the
// request is taken in step 102. Each run is one call: a new call would catch up on its own.
TEST(RunLoop, TimerStartedByTheReceiverExpiresAtTheNextRollover) {
  using Loop = void (*)(MachineState&, std::uint64_t, HandoverReceiver&);
  for (Loop run : {Loop{RunSteps}, Loop{RunStepsReference}}) {
    for (std::uint64_t steps : {101, 102}) {
      SCOPED_TRACE(::testing::Message() << steps << " steps");
      Machine x;
      x[reg::BASE0] = 0xF100;
      x[reg::SP] = 0x4100;
      x[0] = 0x1234;
      x.At(139) = 0x0800;
      x.Put(0x0000, {0x1020, 0x6300});  // MOV M[BASE0+20],R0 (indicator word 27); JMP to itself
      StartTimerAtHandover receiver;
      run(x.m, steps, receiver);
      EXPECT_EQ(x[reg::PC], steps == 101 ? 0x0001 : 0x0800);
      EXPECT_EQ(x[reg::SP], steps == 101 ? 0x4100 : 0x4101);
    }
  }
}

}  // namespace
}  // namespace kv74
