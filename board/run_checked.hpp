// The scheduled run loop with checks between the steps, for debuggers and tracers. It runs exactly
// the steps the plain loops of board/step.hpp run, through the same loop (board/run_loop.hpp); the
// checks are a type whose members are inlined into it, so only a run that asks for checks pays for
// them:
//
//   using Bus = PlainBus or TappedBus     the instruction bodies (cpu/tap.hpp)
//   static constexpr bool kChecked = true
//   bool Before(BoardState&)            before each step: false stops the run there; it is
//                                         also asked after the n-th step, and a Before that would
//                                         stop or record there must look at the step count first
//   void Request(BoardState&, int line) the step is about to take request `line`
//   void Handover(BoardState&)          the step left NotifyWord set: hand the machine over
//   bool StopAfterHandover()              false: After ends the run
//   bool After(BoardState&)             after each step and its hand-over: false stops
//
// N and Z of the flags word are kept apart while the loop runs (cpu/alu.hpp): a check that reads
// the flags word, or registers in general, calls FlagsToWord first. The peripherals are up to date
// (SyncPeripherals) in Handover and whenever the loop ends; a check that reads peripheral state
// elsewhere calls SyncPeripherals itself, and must not change what the ticks depend on.
#pragma once

#include <cstdint>

#include "board/run_loop.hpp"

namespace kv74 {

// At most n steps; returns the steps run.
template <typename Checks>
std::uint64_t RunScheduledChecked(BoardState& m, Checks& checks, std::uint64_t n) {
  static_assert(Checks::kChecked);
  return step_detail::RunLoop(m, n, checks);
}

}  // namespace kv74
