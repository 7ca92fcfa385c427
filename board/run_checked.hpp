// A scheduled run loop with checks between the steps, for debuggers and tracers. It runs exactly
// the steps the plain loops of cpu.hpp run; the checks are a type whose members are inlined into
// the loop, so the plain loops stay as they are and only a run that asks for checks pays for them:
//
//   using Bus = PlainBus or TappedBus     the instruction bodies (cpu/tap.hpp)
//   bool Before(MachineState&)            before each step: false stops the run there
//   void Request(MachineState&, int line) the step is about to take request `line`
//   void Handover(MachineState&)          the step left NotifyWord set: hand the machine over
//   bool After(MachineState&)             after each step and its hand-over: false stops
//
// N and Z of the flags word are kept apart while the loop runs (cpu/alu.hpp): a check that reads
// the flags word, or registers in general, calls FlagsToWord first.
// The peripherals are up to date (SyncPeripherals) in Handover and whenever the loop ends; a check
// that reads peripheral state elsewhere calls SyncPeripherals itself, and must not change what
// the ticks depend on.
#pragma once

#include "board/step_inl.hpp"
#include "cpu/alu.hpp"
#include "periph/schedule.hpp"

namespace kv74 {

template <typename Checks>
void RunScheduledChecked(MachineState& m, Checks& checks) {
  using namespace step_detail;
  using Bus = typename Checks::Bus;
  SyncPeripherals(m);
  ReschedulePeripherals(m);
  EnterFlags(m);
  std::uint64_t clock = m.tickClock;
  while (checks.Before(m)) {
    m.tickClock = ++clock;
    if (clock == m.eventClock) [[unlikely]]
      PeripheralEventTick(m);
    CheckPc(m, LatchWords(m));
    const int line = m[reg::FAULTS] != 0 ? exec::RequestLine(m) : -1;
    if (line >= 0) [[unlikely]] {
      checks.Request(m, line);
      exec::TakeRequest<Bus>(m, m[reg::PC]);
    } else {
      InlineBody<Bus>(m, BodyNumber(m.opWord));
    }
    if (m.NotifyWord != 0) [[unlikely]] {
      SyncPeripherals(m);
      LeaveFlags(m);
      checks.Handover(m);
      EnterFlags(m);
      ReschedulePeripherals(m);
    }
    if (!checks.After(m)) break;
  }
  LeaveFlags(m);
  SyncPeripherals(m);
}

}  // namespace kv74
