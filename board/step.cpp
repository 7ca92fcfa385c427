#include "board/step_inl.hpp"
#include "periph/periph.hpp"
#include "periph/schedule.hpp"

namespace kv74 {
namespace {

using namespace step_detail;

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
  RunStep(m);
}

void Step(MachineState& m) {
  CheckPc(m, LatchWords(m));
  RunStep(m);
}

namespace {

// The run loop with the peripherals caught up lazily: a step whose tick only counts leaves it to
// tickClock; the ticks run for real at eventClock, and the state is brought up to date wherever
// it can be seen (the bus hooks, every hand-over, the end of the run).
template <typename More>
void RunScheduled(MachineState& m, HandoverReceiver& receiver, More more) {
  SyncPeripherals(m);
  ReschedulePeripherals(m);
  // Nothing but this loop changes tickClock, so it lives in a register and is only stored.
  std::uint64_t clock = m.tickClock;
  while (more(clock)) {
    m.tickClock = ++clock;
    if (clock == m.eventClock) [[unlikely]]
      PeripheralEventTick(m);
    CheckPc(m, LatchWords(m));
    RequestOrInstruction(m);
    if (m.NotifyWord != 0) [[unlikely]] {
      SyncPeripherals(m);
      receiver.Handover(m);
      ReschedulePeripherals(m);  // the receiver may have changed anything
    }
  }
  SyncPeripherals(m);
}

}  // namespace

void RunScheduledSteps(MachineState& m, std::uint64_t n, HandoverReceiver& receiver) {
  const std::uint64_t end = m.tickClock + n;
  RunScheduled(m, receiver, [end](std::uint64_t clock) { return clock != end; });
}

void RunScheduledWhile(MachineState& m, const std::atomic<int>& runFlag, int stop,
                       HandoverReceiver& receiver) {
  RunScheduled(m, receiver,
               [&](std::uint64_t) { return runFlag.load(std::memory_order_acquire) != stop; });
}

std::uint64_t RunScheduledStepsWhile(MachineState& m, std::uint64_t n, const std::atomic<int>& flag,
                                     int go, HandoverReceiver& receiver) {
  const std::uint64_t start = m.tickClock, end = start + n;
  RunScheduled(m, receiver, [&](std::uint64_t clock) {
    return clock != end && flag.load(std::memory_order_acquire) == go;
  });
  return m.tickClock - start;
}

}  // namespace kv74
