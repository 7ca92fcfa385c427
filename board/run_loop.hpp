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
//   bool Before(MachineState&)             before each step: false stops the run there
//   void Request(MachineState&, int line)  the step is about to take request `line`
//   bool After(MachineState&)              after each step and its hand-over: false stops
//   void Handover(MachineState&)           the step left NotifyWord set: hand the machine over
//   bool StopAfterHandover()               true ends the run after a hand-over
#pragma once

#include <cstdint>
#include <iterator>

#include "board/step_inl.hpp"
#include "cpu/alu.hpp"
#include "periph/schedule.hpp"

namespace kv74::step_detail {

// The tick at which untilEvent ran out: the tick after the last step of the run (true), or a
// peripheral event tick.
inline bool EndOrEvent(MachineState& m, std::uint64_t after) {
  m.tickClock = m.eventClock;
  if (m.tickClock == after) {
    m.tickClock = after - 1;
    return true;
  }
  PeripheralEventTick(m);
  m.untilEvent = m.eventClock - m.tickClock;
  return false;
}

// A pending request taken by the step; a checked run reports it first.
template <typename Run>
[[gnu::always_inline]] inline bool RequestTaken(MachineState& m, Run& run) {
  if (m[reg::FAULTS] == 0) [[likely]]
    return false;
  if constexpr (Run::kChecked) {
    const int line = exec::RequestLine(m);
    if (line < 0) return false;
    run.Request(m, line);
    return exec::TakeRequest<typename Run::Bus>(m, m[reg::PC]);
  } else {
    return TakeRequestAtPc(m);
  }
}

// Makes the next tick an event tick. Running the ticks for real at any tick is what counting them
// would have done, so this only costs time.
inline void EventAtNextTick(MachineState& m) {
  m.eventClock = m.tickClock + 1;
  m.untilEvent = 1;
}

// Runs at most n steps. Returns the steps run.
//
// Only a store can leave a notification for the panel (cpu/bodies.hpp, MayNotify): after any other
// body a run goes straight on to the next step (or its checks), as long as no notification was
// pending when the step began. One that is (from before the run, from an event tick, or left by the
// receiver) sends its step the long way, through the bodies' table and the look at NotifyWord after
// it.
template <typename Run>
std::uint64_t RunLoop(MachineState& m, std::uint64_t n, Run& run) {
  using Bus = typename Run::Bus;
  using namespace exec;
#define KV74_BODY_CASE(op, s, ...) &&body_##op##_##s,
  static const void* const kLabels[] = {KV74_EACH_BODY};
#undef KV74_BODY_CASE
  static_assert(std::size(kLabels) == body::COUNT);

  SyncPeripherals(m);
  const std::uint64_t start = m.tickClock, after = start + n + 1;
  // eventClock never lies beyond the tick after the last step, so the count of ticks until the
  // next peripheral event also finds the end of the run.
  m.stopClock = after;
  ReschedulePeripherals(m);
  EnterFlags(m);
  m.untilEvent = m.eventClock - m.tickClock;
  if (m.NotifyWord != 0) EventAtNextTick(m);
  std::uint64_t left = n;  // a checked run asks Before only of a step that will run
  for (;;) {
    if constexpr (Run::kChecked) {
      if (left-- == 0 || !run.Before(m)) break;
    }
    if (--m.untilEvent == 0) [[unlikely]] {
      if (EndOrEvent(m, after)) break;
      if (m.NotifyWord != 0) {
        CheckPc(m, LatchWords(m));
        if (!RequestTaken(m, run)) kBodies<Bus>[BodyNumbers[m.opWord]](m);
        goto stepped;
      }
    }
    {
      const unsigned op = LatchWordsFast(m);
      if (RequestTaken(m, run)) goto stepped;
      goto* kLabels[BodyNumbers[op]];
    }
#define KV74_BODY_CASE(op, s, ...)             \
  body_##op##_##s : {                          \
    [[maybe_unused]] constexpr unsigned S = s; \
    __VA_ARGS__(m);                            \
    if constexpr (MayNotify(Op::op)) {         \
      goto stepped;                            \
    } else if constexpr (Run::kChecked) {      \
      goto checked;                            \
    } else {                                   \
      continue;                                \
    }                                          \
  }
    KV74_EACH_BODY
#undef KV74_BODY_CASE
  stepped:
    if (m.NotifyWord != 0) [[unlikely]] {
      SyncPeripherals(m);  // also brings tickClock up to date
      m.untilEvent = 0;
      LeaveFlags(m);
      run.Handover(m);
      EnterFlags(m);
      ReschedulePeripherals(m);  // the receiver may have changed anything
      if (run.StopAfterHandover()) break;
      m.untilEvent = m.eventClock - m.tickClock;
      if (m.NotifyWord != 0) EventAtNextTick(m);  // left pending: the next step the long way
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
