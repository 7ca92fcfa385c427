#include "board/schedule.hpp"

namespace kv74 {

void CatchUpPeripherals(BoardState& m) { CatchUp(m, m, m.tickClock); }

void PeripheralEventTick(BoardState& m) { ScheduleNextEvent(m, EventTick(m, m, m.tickClock)); }

}  // namespace kv74
