// The run loops around a hand-over: what the receiver changes takes effect from the next step, in
// the scheduled loop as in the step-by-step one.
#include <gtest/gtest.h>

#include <vector>

#include "board/run_checked.hpp"
#include "board/step.hpp"
#include "board/thread.hpp"
#include "periph/periph.hpp"
#include "tests/board/machine_diff.hpp"
#include "tests/cpu/machine_fixture.hpp"

namespace kv74 {
namespace {

using testing::Machine;

class ClearingReceiver : public HandoverReceiver {
 public:
  void Handover(BoardState& m) override { m.NotifyWord = 0; }
};

// At the first hand-over, starts the stopped timer with its count at 0, as a run-control layer
// might; the request then comes at the next prescaler rollover.
class StartTimerAtHandover : public HandoverReceiver {
 public:
  void Handover(BoardState& m) override {
    if (handovers_++ == 0) m[reg::TIMER_RUN] = timer::RUN;
    m.NotifyWord = 0;
  }

 private:
  int handovers_ = 0;
};

// The checked loop with checks that never stop it and hand the machine to a receiver.
struct PassingChecks {
  using Bus = PlainBus;
  static constexpr bool kChecked = true;
  HandoverReceiver& receiver;
  static bool Before(BoardState&) { return true; }
  static void Request(BoardState&, int) {}
  void Handover(BoardState& m) { receiver.Handover(m); }
  static bool StopAfterHandover() { return false; }
  static bool After(BoardState&) { return true; }
};

void RunChecked(BoardState& m, std::uint64_t n, HandoverReceiver& receiver) {
  PassingChecks checks{receiver};
  RunScheduledChecked(m, checks, n);
}

// Step 1 hands over; the prescaler, fresh at 100, rolls over at the 101st tick after it, so the
// request is taken in step 102. Each run is one call: a new call would catch up on its own.
TEST(RunLoop, TimerStartedByTheReceiverExpiresAtTheNextRollover) {
  using Loop = void (*)(BoardState&, std::uint64_t, HandoverReceiver&);
  for (Loop run : {Loop{RunSteps}, Loop{RunStepsReference}, Loop{RunChecked}}) {
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

// Steps that change what the next step must look at: an interrupt unmasked through the bus or
// directly, the flags word read or written through the bus or directly right after an operation
// set N and Z. The scheduled loop agrees with the step-by-step one after every number of steps, and
// after the program a register holds what the data sheet says.
TEST(RunLoop, WhatAStepChangesIsSeenByTheNext) {
  struct Case {
    const char* name;
    std::vector<std::uint16_t> code;
    bool timerPending;  // a timer request pending under the mask
    std::uint16_t r0;
    int word;  // holds `want` after the program's steps
    std::uint16_t want;
  };
  const Case cases[] = {
      // MOV M[BASE0+3B],R4: the request is taken in the next step
      {"unmask through the bus", {0x143B, 0x0000}, true, 0, reg::PC, 0x0800},
      {"unmask directly", {0xF1FB, 0x0000}, true, 0, reg::PC, 0x0800},  // MOV [F03B],R0
      // ADD R1,R2 (0xFFFF + 1: Z and C), then the flags word into R5 or R0
      {"flags read through the bus", {0x9212, 0x0520}, false, 0, 5, 0x5000},
      {"flags read directly", {0x9212, 0xE1E0}, false, 0, 0, 0x5000},
      // Z set by storing bit 14 into the flags word, then JZ +3
      {"flags written through the bus", {0x5220, 0x6503}, false, 0x4000, reg::PC, 0x0004},
      {"flags written directly", {0xF1E0, 0x6503}, false, 0x4000, reg::PC, 0x0004},
  };
  for (const Case& c : cases) {
    for (std::uint64_t n = 1; n <= c.code.size() + 2; ++n) {
      SCOPED_TRACE(::testing::Message() << c.name << ", " << n << " steps");
      Machine reference, scheduled;
      for (Machine* x : {&reference, &scheduled}) {
        x->At(139) = 0x0800;  // the timer's vector
        for (std::size_t i = 0; i < c.code.size(); ++i) {
          x->At(static_cast<std::uint16_t>(i)) = c.code[i];
        }
        (*x)[reg::BASE0] = 0xF000;
        (*x)[reg::SP] = 0x4100;
        (*x)[0] = c.r0, (*x)[1] = 0xFFFF, (*x)[2] = 0x0001;
        (*x)[reg::IMASK] = c.timerPending ? 0x0010 : 0;
        (*x)[reg::FAULTS] = c.timerPending ? fault::TIMER : 0;
      }
      ClearingReceiver clearing;
      for (std::uint64_t i = 0; i < n; ++i) StepAndHandOver(reference.m, clearing);
      RunSteps(scheduled.m, n, clearing);
      EXPECT_EQ(testing::MachineDifference(reference.m, scheduled.m), "");
      if (n == c.code.size()) {
        EXPECT_EQ(scheduled[c.word], c.want);
      }
    }
  }
}

// Code in RAM that rewrites its next instruction: each step decodes the word it fetches, so the
// rewritten word runs. MOV M[BASE0+2],R1 stores INC R2 over the ZERO R2 two words on.
TEST(RunLoop, RamCodeRunsTheWordsAsStored) {
  Machine reference, scheduled;
  for (Machine* x : {&reference, &scheduled}) {
    x->Put(0x0000, {0xE350, 0x4000});                  // JMP [4000]
    x->Put(0x4000, {0x1102, 0x0000, 0xF282, 0x63FF});  // MOV M[BASE0+2],R1; MOV R0,..; ZERO R2; JMP
    (*x)[reg::BASE0] = 0x4000;
    (*x)[1] = 0xF882;  // INC R2
    (*x)[2] = 0x0041;
  }
  ClearingReceiver clearing;
  for (int i = 0; i < 5; ++i) StepAndHandOver(reference.m, clearing);
  RunSteps(scheduled.m, 5, clearing);
  EXPECT_EQ(testing::MachineDifference(reference.m, scheduled.m), "");
  EXPECT_EQ(scheduled[2], 0x0042);
  EXPECT_EQ(scheduled.At(0x4002), 0xF882);
}

}  // namespace
}  // namespace kv74
