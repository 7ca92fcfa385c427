#include <algorithm>
#include <iterator>

#include "board/step_inl.hpp"
#include "periph/periph.hpp"
#include "periph/schedule.hpp"

namespace kv74 {
namespace {

using namespace step_detail;

[[gnu::noinline]] bool TakeRequestAtPc(MachineState& m) {
  return exec::TakeRequest<PlainBus>(m, m[reg::PC]);
}

// Everything of the step after the fetch.
[[gnu::always_inline]] inline void RunStep(MachineState& m) {
  TimerTick(m);
  PulseChannelsTick(m);
  SequencerTick(m);
  RequestOrInstruction(m);
}

}  // namespace

void Fetch(MachineState& m) { LatchWords(m); }

void ExecuteStep(MachineState& m) {
  CheckPc(m, IsExecutable(m[reg::PC]));
  EnterFlags(m);
  RunStep(m);
  LeaveFlags(m);
}

void Step(MachineState& m) {
  CheckPc(m, LatchWords(m));
  EnterFlags(m);
  RunStep(m);
  LeaveFlags(m);
}

namespace {

// The run loop with the peripherals caught up lazily: a step whose tick only counts leaves it to
// tickClock; the ticks run for real at eventClock, and the state is brought up to date wherever
// it can be seen (the bus hooks, every hand-over, the end of the run). Each body is inlined under
// a label of its own, and a step jumps to the label of its body number. Runs at most n steps; a
// hand-over after which stop() holds ends the run there. Returns the steps run.
template <typename Stop>
std::uint64_t RunScheduled(MachineState& m, std::uint64_t n, HandoverReceiver& receiver, Stop stop) {
  using Bus = PlainBus;
  using namespace exec;
#define KV74_BODY_CASE(op, s, ...) &&body_##op##_##s,
  static const void* const kLabels[] = {KV74_EACH_BODY};
#undef KV74_BODY_CASE
  static_assert(std::size(kLabels) == body::COUNT);

  SyncPeripherals(m);
  const std::uint64_t start = m.tickClock, after = start + n + 1;
  // eventClock never lies beyond the tick after the last step, so the count of ticks until the
  // next peripheral event also finds the end of the run. tickClock is only brought up to date
  // where it is read (SettleClock).
  m.stopClock = after;
  ReschedulePeripherals(m);
  EnterFlags(m);
  m.untilEvent = m.eventClock - m.tickClock;
  for (;;) {
    if (--m.untilEvent == 0) [[unlikely]] {
      m.tickClock = m.eventClock;
      if (m.tickClock == after) {
        m.tickClock = after - 1;
        break;
      }
      PeripheralEventTick(m);
      m.untilEvent = m.eventClock - m.tickClock;
    }
    {
      const unsigned op = LatchWordsFast(m);
      if (m[reg::FAULTS] != 0) [[unlikely]] {
        if (TakeRequestAtPc(m)) goto stepped;
      }
      goto* kLabels[BodyNumbers[op]];
    }
#define KV74_BODY_CASE(op, s, ...)               \
  body_##op##_##s : {                            \
    [[maybe_unused]] constexpr unsigned S = s;   \
    __VA_ARGS__(m);                              \
    goto stepped;                                \
  }
    KV74_EACH_BODY
#undef KV74_BODY_CASE
  stepped:
    if (m.NotifyWord != 0) [[unlikely]] {
      SyncPeripherals(m);  // also settles tickClock
      m.untilEvent = 0;
      LeaveFlags(m);
      receiver.Handover(m);
      EnterFlags(m);
      ReschedulePeripherals(m);  // the receiver may have changed anything
      if (stop()) break;
      m.untilEvent = m.eventClock - m.tickClock;
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

// A run that tests a flag set from another thread does so between slices of this many steps, and
// after every hand-over (the receiver may set it too).
constexpr std::uint64_t kSlice = 1 << 16;

}  // namespace

void RunScheduledSteps(MachineState& m, std::uint64_t n, HandoverReceiver& receiver) {
  RunScheduled(m, n, receiver, [] { return false; });
}

void RunScheduledWhile(MachineState& m, const std::atomic<int>& runFlag, int stop,
                       HandoverReceiver& receiver) {
  auto stopped = [&] { return runFlag.load(std::memory_order_acquire) == stop; };
  while (!stopped()) RunScheduled(m, kSlice, receiver, stopped);
}

std::uint64_t RunScheduledStepsWhile(MachineState& m, std::uint64_t n, const std::atomic<int>& flag,
                                     int go, HandoverReceiver& receiver) {
  auto stopped = [&] { return flag.load(std::memory_order_acquire) != go; };
  std::uint64_t done = 0;
  while (done < n && !stopped()) done += RunScheduled(m, std::min(n - done, kSlice), receiver, stopped);
  return done;
}

}  // namespace kv74
