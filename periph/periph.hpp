// The board's peripherals: each is a tick run once per processor step plus read/write hooks that
// the bus calls by register number.
#pragma once

#include <cstdint>

#include "cpu/machine.hpp"
#include "cpu/shared.hpp"
#include "periph/tick.hpp"  // TimerTick, PulseChannelsTick, SequencerTick (inline)

namespace kv74 {

// Interval timer: words 23..26.
std::uint16_t TimerRead(MachineState& m, int w);
void TimerWrite(MachineState& m, int w, std::uint16_t v);

// Pulse channels, position counters, jog counter and mark register: words 37..44.
void PulseChannelWrite(MachineState& m, int w, std::uint16_t v);
std::uint16_t CounterRead(MachineState& m, int w);
// Magnitude of a rate word for the step frequency, 1..2048; 0 for the rates that have none.
std::uint16_t RateMagnitude(std::uint16_t rate);

// Ports and handshake sequencer: words 34..36.
// Word 35 is also written by the panel thread, so it is only touched through the shared helpers.
inline std::uint16_t PortRead(MachineState& m, int w) {
  return w == reg::PORT_IN ? LoadShared(m, w) : m[w];
}
void PortWrite(MachineState& m, int w, std::uint16_t v);

}  // namespace kv74
