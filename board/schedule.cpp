#include "board/schedule.hpp"

namespace kv74 {

void CatchUpPeripherals(BoardState& m) {
  AdvanceQuiet(m, m, m.tickClock - m.syncedClock);
  m.syncedClock = m.tickClock;
}

void PeripheralEventTick(BoardState& m) {
  AdvanceQuiet(m, m, m.tickClock - 1 - m.syncedClock);
  TickPeripherals(m, m);
  m.syncedClock = m.tickClock;
  ReschedulePeripherals(m);
}

}  // namespace kv74
