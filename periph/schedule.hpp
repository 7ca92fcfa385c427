// Peripherals caught up lazily. Most ticks only count: the timer prescaler and counter, the channel
// dividers, steps and mark counters, the jog divider and the busy countdown change in a way that
// can be computed for many ticks at once. Only a few ticks do more (a timer expiry, an armed mark,
// the end of a jog cycle, a sequencer transition); those are "event ticks" and run the ordinary
// ticks (TickPeripherals). The board decides when (board/schedule.hpp).
#pragma once

#include <cstdint>

#include "cpu/registers.hpp"
#include "periph/periph.hpp"

namespace kv74 {

// Number of ticks from now on that only count; the tick after them may do more. Capped at
// QUIET_FOREVER when no peripheral has anything coming.
inline constexpr std::uint64_t QUIET_FOREVER = std::uint64_t{1} << 40;
std::uint64_t QuietTicks(const Peripherals& p, const Registers& r);

// Applies k ticks at once; k must not exceed QuietTicks of the same state.
void AdvanceQuiet(Peripherals& p, Registers& r, std::uint64_t k);

// Applies the ticks up to tick `clock`, which only count (syncedClock becomes clock).
void CatchUp(Peripherals& p, Registers& r, std::uint64_t clock);

// Event tick `clock`: the ticks before it, which only count, then the tick itself. Returns
// QuietTicks after it.
std::uint64_t EventTick(Peripherals& p, Registers& r, std::uint64_t clock);

}  // namespace kv74
