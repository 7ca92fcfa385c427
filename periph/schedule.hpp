// Peripherals caught up lazily. Most ticks only count: the timer prescaler and counter, the channel
// dividers, steps and mark counters, the jog divider and the busy countdown change in a way that
// can be computed for many ticks at once. Only a few ticks do more (a timer expiry, an armed mark,
// the end of a jog cycle, a sequencer transition); those are "event ticks" and run the ordinary
// tick functions of tick.hpp.
//
// A scheduled run loop counts ticks in MachineState::tickClock and runs the ticks themselves only
// at eventClock. Whoever observes or changes peripheral state in between first calls
// SyncPeripherals, which applies the counted ticks; whoever changes what the ticks depend on then
// calls ReschedulePeripherals. Outside a scheduled loop the three clocks stay equal, so both are
// cheap no-ops for the per-step reference path.
#pragma once

#include <cstdint>

#include "cpu/machine.hpp"

namespace kv74 {

// Number of ticks from now on that only count; the tick after them may do more. Capped at
// QUIET_FOREVER when no peripheral has anything coming.
inline constexpr std::uint64_t QUIET_FOREVER = std::uint64_t{1} << 40;
std::uint64_t QuietTicks(const MachineState& m);

// Applies k ticks at once; k must not exceed QuietTicks of the same state.
void AdvanceQuiet(MachineState& m, std::uint64_t k);

void CatchUpPeripherals(MachineState& m);

// Brings tickClock up to date while the plain scheduled loop counts untilEvent down instead.
inline void SettleClock(MachineState& m) {
  if (m.untilEvent != 0) m.tickClock = m.eventClock - m.untilEvent;
}

// Brings the peripheral state up to tickClock.
inline void SyncPeripherals(MachineState& m) {
  SettleClock(m);
  if (m.tickClock != m.syncedClock) [[unlikely]]
    CatchUpPeripherals(m);
}

// After a change of what the ticks depend on (the state must be synchronised).
inline void ReschedulePeripherals(MachineState& m) {
  SettleClock(m);
  const std::uint64_t next = m.tickClock + QuietTicks(m) + 1;
  m.nextEvent = next;
  m.eventClock = next < m.stopClock ? next : m.stopClock;
  if (m.untilEvent != 0) m.untilEvent = m.eventClock - m.tickClock;
}

// The tick of a scheduled loop at which eventClock has come: the counted ticks before it, then
// the three ordinary ticks, then the next event.
void PeripheralEventTick(MachineState& m);

}  // namespace kv74
