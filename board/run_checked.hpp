// The scheduled run loop with checks between the steps, for debuggers and tracers. It runs exactly
// the steps the plain loops of board/step.hpp run, through the same loop (board/run_loop.hpp); the
// checks are a type whose members are inlined into it, so only a run that asks for checks pays for
// them:
//
//   using Bus = PlainBus or TappedBus     the instruction bodies (cpu/tap.hpp)
//   bool Before(MachineState&)            before each step: false stops the run there
//   void Request(MachineState&, int line) the step is about to take request `line`
//   void Handover(MachineState&)          the step left NotifyWord set: hand the machine over
//   bool After(MachineState&)             after each step and its hand-over: false stops
//
// N and Z of the flags word are kept apart while the loop runs (cpu/alu.hpp): a check that reads
// the flags word, or registers in general, calls FlagsToWord first. The peripherals are up to date
// (SyncPeripherals) in Handover and whenever the loop ends; a check that reads peripheral state
// elsewhere calls SyncPeripherals itself, and must not change what the ticks depend on.
#pragma once

#include <cstdint>

#include "board/run_loop.hpp"

namespace kv74 {

template <typename Checks>
struct CheckedRun {
  using Bus = typename Checks::Bus;
  static constexpr bool kChecked = true;
  Checks& checks;
  bool Before(MachineState& m) { return checks.Before(m); }
  void Request(MachineState& m, int line) { checks.Request(m, line); }
  bool After(MachineState& m) { return checks.After(m); }
  void Handover(MachineState& m) { checks.Handover(m); }
  static bool StopAfterHandover() { return false; }
};

// At most n steps; returns the steps run.
template <typename Checks>
std::uint64_t RunScheduledChecked(MachineState& m, Checks& checks, std::uint64_t n) {
  CheckedRun<Checks> run{checks};
  return step_detail::RunLoop(m, n, run);
}

}  // namespace kv74
