// The board's peripherals beside the processor, each with its state: a tick run once per processor
// step, and read/write hooks that the bus calls by register word. They reach the register words
// of the I/O page (cpu/registers.hpp), never the processor's state.
//
//   timer.hpp     interval timer: words 23..26
//   pulse.hpp     pulse channels, position counters, jog counter, mark register: words 37..44
//   ports.hpp     ports and handshake sequencer: words 34..36
//   schedule.hpp  the ticks that only count, applied many at once
#pragma once

#include <cstdint>

#include "cpu/registers.hpp"
#include "periph/ports.hpp"
#include "periph/pulse.hpp"
#include "periph/timer.hpp"

namespace kv74 {

struct Peripherals {
  IntervalTimer timer;
  PulseChannels channels;
  Sequencer sequencer;
  // Lazy ticking (board/schedule.hpp): the ticks applied to the state above, and the next tick at
  // which a peripheral does more than count. nextEvent is not part of the machine's state.
  std::uint64_t syncedClock = 0;
  std::uint64_t nextEvent = 0;
};

// The three ticks of a processor step, in this order.
inline void TickPeripherals(Peripherals& p, Registers& r) {
  TimerTick(p.timer, r);
  PulseChannelsTick(p.channels, r);
  SequencerTick(p.sequencer, r);
}

}  // namespace kv74
