// The board's peripherals: each is a tick run once per processor step plus read/write hooks that
// the bus calls by register number.
#pragma once

#include <cstdint>

#include "emu/machine.hpp"

namespace kv74 {

// Interval timer: words 23..26.
void TimerTick(MachineState& m);
std::uint16_t TimerRead(MachineState& m, int w);
void TimerWrite(MachineState& m, int w, std::uint16_t v);

// Pulse channels, position counters, jog counter and mark register: words 37..44.
void PulseChannelsTick(MachineState& m);
void PulseChannelWrite(MachineState& m, int w, std::uint16_t v);
std::uint16_t CounterRead(MachineState& m, int w);

// Ports and handshake sequencer: words 34..36.
void SequencerTick(MachineState& m);
std::uint16_t PortRead(MachineState& m, int w);
void PortWrite(MachineState& m, int w, std::uint16_t v);

}  // namespace kv74
