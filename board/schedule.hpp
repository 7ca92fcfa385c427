// When the peripherals tick (periph/schedule.hpp). A scheduled run loop counts ticks in tickClock
// and runs the ticks themselves only at eventClock. Whoever observes or changes peripheral state in
// between first calls SyncPeripherals, which applies the counted ticks; whoever changes what the
// ticks depend on then calls ReschedulePeripherals. Outside a scheduled loop the clocks stay equal,
// so both are cheap no-ops for the per-step reference path.
#pragma once

#include <cstdint>

#include "board/machine.hpp"
#include "periph/schedule.hpp"

namespace kv74 {

void CatchUpPeripherals(BoardState& m);

// Brings tickClock up to date while the plain scheduled loop counts untilEvent down instead.
inline void SettleClock(MachineState& m) {
  if (m.untilEvent != 0) m.tickClock = m.eventClock - m.untilEvent;
}

// Brings the peripheral state up to tickClock.
inline void SyncPeripherals(BoardState& m) {
  SettleClock(m);
  if (m.tickClock != m.syncedClock) [[unlikely]]
    CatchUpPeripherals(m);
}

// The next event after `quiet` ticks that only count.
inline void ScheduleNextEvent(BoardState& m, std::uint64_t quiet) {
  SettleClock(m);
  const std::uint64_t next = m.tickClock + quiet + 1;
  m.nextEvent = next;
  m.eventClock = next < m.stopClock ? next : m.stopClock;
  if (m.untilEvent != 0) m.untilEvent = m.eventClock - m.tickClock;
}

// After a change of what the ticks depend on (the state must be synchronised).
inline void ReschedulePeripherals(BoardState& m) { ScheduleNextEvent(m, QuietTicks(m, m)); }

// The tick of a scheduled loop at which eventClock has come: the counted ticks before it, then
// the three ordinary ticks, then the next event.
void PeripheralEventTick(BoardState& m);

}  // namespace kv74
