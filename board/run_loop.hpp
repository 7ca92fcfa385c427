// The scheduled run loop, written once for the plain runs (board/step.cpp) and the checked runs of
// debuggers and tracers (board/run_checked.hpp).
//
// The peripherals are caught up lazily: a step whose tick only counts leaves it to untilEvent, the
// count of ticks until the next event; the ticks run for real at eventClock, and the state is
// brought up to date wherever it can be seen (the bus hooks, every hand-over, the end of the run).
// tickClock too is only brought up to date where it is read (SettleClock). N and Z of the flags
// word are kept apart while the loop runs (cpu/alu.hpp).
//
// Each instruction body is inlined under a label of its own, and a step jumps to the label of its
// body number. The run is a type whose members are inlined into the loop:
//
//   using Bus = PlainBus or TappedBus      the instruction bodies (cpu/tap.hpp)
//   static constexpr bool kChecked         whether the three checks below are called
//   bool Before(BoardState&)             before each step: false stops the run there
//   void Request(BoardState&, int line)  the step is about to take request `line`
//   bool After(BoardState&)              after each step and its hand-over: false stops
//   void Handover(BoardState&)           the step left NotifyWord set: hand the machine over
//   bool StopAfterHandover()               true ends the run after a hand-over
// A plain run may also follow the calls (static constexpr bool kCalls = true):
//   void Called(BoardState&)             after a step of a call or jump form (a jump too:
//                                         the field that tells them apart is the run's to read)
//   void Popped(BoardState&)             after a step of a return or a pop
//   void Entered(BoardState&, int line, std::uint16_t pc)  a request entered from pc
// and count them (static constexpr bool kCounts = true; Entered as above):
//   void Counted(unsigned pc)              before the instruction at pc runs
//   template <Op, unsigned S> void Jumped(BoardState&)  after a step of a jump or call form,
//                                         with the body's selector S (the condition, for two)
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "board/schedule.hpp"
#include "board/step_inl.hpp"
#include "cpu/alu.hpp"

// Where the host's compiler turns the jump through a table of labels into a table jump anyway
// (WebAssembly), 1 makes each step's jump a switch on the body number instead.
#ifndef KV74_SWITCH_DISPATCH
#define KV74_SWITCH_DISPATCH 0
#endif

namespace kv74::step_detail {

// Hands the machine over after the step of tickClock (untilEvent 0).
template <typename Run>
void HandOver(BoardState& m, Run& run) {
  SyncPeripherals(m);
  LeaveFlags(m);
  run.Handover(m);
  EnterFlags(m);
  ReschedulePeripherals(m);  // the receiver may have changed anything
}

// With untilEvent 0 and tickClock the step just run: the next step's start looks again.
inline void LookAgainAtNextStep(BoardState& m) { m.stopClock = m.eventClock = m.tickClock + 1; }

// The start of a step whose tick is eventClock: a peripheral event, the end of the run, or
// something the step before raised or noted (LookAtNextStep). A plain run hands over here what the
// steps before left, except at the first step of the run: a notification pending from before the
// run is handed over after that step, as after any other. Returns true when the run ends.
template <typename Run>
bool Attend(BoardState& m, Run& run, std::uint64_t start, std::uint64_t after) {
  m.tickClock = m.eventClock - 1;  // the step before; untilEvent is 0
  m.stopClock = after;
  if constexpr (!Run::kChecked) {
    if (m.NotifyWord != 0 && m.tickClock != start) {
      HandOver(m, run);
      if (run.StopAfterHandover()) return true;
    }
  }
  if (m.tickClock + 1 == after) return true;
  ++m.tickClock;
  if (m.tickClock == m.nextEvent) {
    PeripheralEventTick(m);
  } else {  // only a look: the tick only counts
    m.eventClock = std::min(m.nextEvent, m.stopClock);
  }
  if constexpr (!Run::kChecked) {
    if (m.NotifyWord != 0) LookAgainAtNextStep(m);  // hand over after it
  }
  m.untilEvent = m.eventClock - m.tickClock;
  return false;
}

template <typename Run>
constexpr bool FollowsCalls() {
  if constexpr (requires { Run::kCalls; }) {
    return Run::kCalls;
  } else {
    return false;
  }
}

template <typename Run>
constexpr bool CountsSteps() {
  if constexpr (requires { Run::kCounts; }) {
    return Run::kCounts;
  } else {
    return false;
  }
}

// A pending request taken by the step; a checked run reports it first, a run that follows the
// calls after.
template <typename Run>
[[gnu::always_inline]] inline bool RequestTaken(BoardState& m, Run& run) {
  if (m[reg::FAULTS] == 0) [[likely]]
    return false;
  if constexpr (Run::kChecked) {
    const int line = exec::RequestLine(m);
    if (line < 0) return false;
    run.Request(m, line);
    return exec::TakeRequest<typename Run::Bus>(m, m[reg::PC]);
  } else if constexpr (FollowsCalls<Run>() || CountsSteps<Run>()) {
    const int line = exec::RequestLine(m);
    const std::uint16_t at = m[reg::PC];
    if (!TakeRequestAtPc(m)) return false;
    run.Entered(m, line, at);
    return true;
  } else {
    return TakeRequestAtPc(m);
  }
}

// What a plain run that follows the calls or counts the steps is told after a body.
template <Op kOp, unsigned S, typename Run>
[[gnu::always_inline]] inline void AfterBody(BoardState& m, Run& run) {
  if constexpr (CountsSteps<Run>()) {
    if constexpr (kOp == Op::CallTable || kOp == Op::JumpRel || kOp == Op::JumpReg ||
                  kOp == Op::JumpAbs)
      run.template Jumped<kOp, S>(m);
  }
  if constexpr (FollowsCalls<Run>()) {
    if constexpr (kOp == Op::CallTable || kOp == Op::JumpReg || kOp == Op::JumpAbs) run.Called(m);
    if constexpr (kOp == Op::Return || kOp == Op::PopReg) run.Popped(m);
  }
}

// Runs at most n steps. Returns the steps run.
//
// The steps look neither for requests nor for notifications: whatever raises a request, changes
// the interrupt mask or leaves a notification makes the next tick an event tick (LookAtNextStep),
// and that step goes the long way (Attend, the full latch with the PC check, the request check).
// So does a step outside ProgramMemory. A plain run hands over at the start of the next step
// (Attend). A checked run hands over right after the step, before its checks: only a store can
// leave a notification (cpu/bodies.hpp, MayNotify), so it looks after those, and after every step
// that went the long way.
template <typename Run>
std::uint64_t RunLoop(BoardState& m, std::uint64_t n, Run& run) {
  using Bus = typename Run::Bus;
  using namespace exec;
#if KV74_SWITCH_DISPATCH
  unsigned next = 0;  // the body number the switch below jumps to
#define KV74_DISPATCH_(n) \
  {                       \
    next = (n);           \
    goto dispatch;        \
  }
#else
#define KV74_BODY_CASE(op, s, ...) &&body_##op##_##s,
  static const void* const kLabels[] = {KV74_EACH_BODY};
#undef KV74_BODY_CASE
  static_assert(std::size(kLabels) == body::COUNT);
#define KV74_DISPATCH_(n) goto* kLabels[n];
#endif
  // A body's end: with the switch, back to the one start of a step, which keeps the loop a single
  // loop the compiler can lay out; with the labels, a copy of the start, so that each body jumps on
  // to the next from a place of its own.
#if KV74_SWITCH_DISPATCH
#define KV74_BODY_TAIL_ goto next_step;
#else
#define KV74_BODY_TAIL_ KV74_NEXT_STEP_
#endif

  SyncPeripherals(m);
  const std::uint64_t start = m.tickClock, after = start + n + 1;
  // eventClock never lies beyond the tick after the last step, so the count of ticks until the
  // next peripheral event also finds the end of the run.
  m.stopClock = m[reg::FAULTS] != 0 || m.NotifyWord != 0 ? start + 1 : after;
  ReschedulePeripherals(m);
  EnterFlags(m);
  m.untilEvent = m.eventClock - m.tickClock;
  for (;;) {
    if constexpr (Run::kChecked) {
      if (!run.Before(m)) break;  // also asked once after the last step: see run_checked.hpp
    }
    // The start of a step; a plain run's bodies end with KV74_BODY_TAIL_.
#define KV74_NEXT_STEP_                                    \
  if (--m.untilEvent == 0) [[unlikely]]                    \
    goto attend;                                           \
  {                                                        \
    const unsigned p = m[reg::PC];                         \
    if (p < PROGRAM_BASE + PROGRAM_WORDS - 1) [[likely]] { \
      if constexpr (CountsSteps<Run>()) run.Counted(p);    \
      KV74_DISPATCH_(BodyNumbers[LatchFromProgram(m, p)])  \
    }                                                      \
  }                                                        \
  goto long_way;
  next_step:
    __attribute__((unused));  // the bodies' way back to a single start of the step (switch)
    KV74_NEXT_STEP_
  attend:
    if (Attend(m, run, start, after)) break;
  long_way:
    CheckPc(m, LatchWords(m));
    if (RequestTaken(m, run)) {
      if (m[reg::FAULTS] != 0) LookAtNextStep(m);  // the next pending request, at the next step
      goto stepped;
    }
    if constexpr (Run::kChecked) {
      kBodies<Bus>[BodyNumbers[m.opWord]](m);  // then the look at NotifyWord, whatever the body
      goto stepped;
    }
    if constexpr (CountsSteps<Run>()) run.Counted(m[reg::PC]);
    KV74_DISPATCH_(BodyNumbers[m.opWord])
#if KV74_SWITCH_DISPATCH
  dispatch:
    switch (next) {
#define KV74_BODY_CASE(op, s, ...) \
  case body::op + s: goto body_##op##_##s;
      KV74_EACH_BODY
#undef KV74_BODY_CASE
      default: __builtin_unreachable();
    }
#endif
#define KV74_BODY_CASE(op, s, ...)             \
  body_##op##_##s : {                          \
    [[maybe_unused]] constexpr unsigned S = s; \
    __VA_ARGS__(m);                            \
    if constexpr (!Run::kChecked) {            \
      AfterBody<Op::op, S>(m, run);            \
      KV74_BODY_TAIL_                          \
    } else if constexpr (MayNotify(Op::op)) {  \
      goto stepped;                            \
    } else {                                   \
      goto checked;                            \
    }                                          \
  }
    KV74_EACH_BODY
#undef KV74_BODY_CASE
#undef KV74_NEXT_STEP_
#undef KV74_DISPATCH_
#undef KV74_BODY_TAIL_
  stepped:
    if constexpr (Run::kChecked) {
      if (m.NotifyWord != 0) [[unlikely]] {
        SettleClock(m);
        m.untilEvent = 0;
        HandOver(m, run);
        if (m.NotifyWord != 0) LookAgainAtNextStep(m);  // again after the next
        m.untilEvent = m.eventClock - m.tickClock;
      }
    }
  checked:
    __attribute__((unused));  // a plain run has no checks to reach
    if constexpr (Run::kChecked) {
      if (!run.After(m)) break;
    }
  }
  SettleClock(m);
  m.untilEvent = 0;
  LeaveFlags(m);
  m.stopClock = NO_STOP_CLOCK;
  SyncPeripherals(m);
  ReschedulePeripherals(m);
  return m.tickClock - start;
}

}  // namespace kv74::step_detail
