// The whole emulated controller: the processor's state (cpu/machine.hpp) and the peripherals'
// (periph/periph.hpp) on one board. Zero-filled at creation except where a member says otherwise.
#pragma once

#include "cpu/machine.hpp"
#include "periph/periph.hpp"

namespace kv74 {

struct BoardState : MachineState, Peripherals {};

// The board a processor state belongs to: the bus behind the I/O map reaches the peripherals from
// the processor's side this way. Every MachineState is part of a BoardState (its constructor is
// only open to a BoardState).
inline BoardState& BoardOf(MachineState& m) { return static_cast<BoardState&>(m); }

}  // namespace kv74
