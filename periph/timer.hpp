// Interval timer: words 23..26. A prescaler divides the ticks by 101; each rollover counts the
// counter down, and the rollover that finds it at 0 expires: a request unless inhibited, then a
// reload (periodic mode) or a stop.
#pragma once

#include <cstdint>

#include "cpu/registers.hpp"

namespace kv74 {

namespace timer {
inline constexpr std::uint16_t RUN = 0x8000;            // word 25
inline constexpr std::uint16_t PERIODIC = 0x0001;       // word 24
inline constexpr std::uint16_t MODE_QUIET = 0x0002;     // word 24: expiry raises no request
inline constexpr std::uint16_t INHIBIT = 0x0001;        // word 26: expiry raises no request
inline constexpr std::uint16_t PRESCALER_RELOAD = 100;  // rolls over every 101 ticks
}  // namespace timer

struct IntervalTimer {
  std::uint16_t prescaler = timer::PRESCALER_RELOAD;
  std::uint16_t count = 0;
};

// The prescaler has just passed 0 (out of line: rare).
void TimerRollover(IntervalTimer& t, Registers& r);

inline void TimerTick(IntervalTimer& t, Registers& r) {
  if (!(r[reg::TIMER_RUN] & timer::RUN)) return;
  if (t.prescaler-- != 0) [[likely]]
    return;
  TimerRollover(t, r);
}

// All three readable timer words show the live count.
inline std::uint16_t TimerRead(const IntervalTimer& t) { return t.count; }
void TimerWrite(IntervalTimer& t, Registers& r, int w, std::uint16_t v);

}  // namespace kv74
