#include "periph/timer.hpp"

namespace kv74 {

// Count the counter down, and expire when it was already 0.
void TimerRollover(IntervalTimer& t, Registers& r) {
  t.prescaler = timer::PRESCALER_RELOAD;
  if (t.count-- != 0) return;
  if (!(r[reg::TIMER_INHIBIT] & timer::INHIBIT) && !(r[reg::TIMER_MODE] & timer::MODE_QUIET)) {
    r[reg::FAULTS] |= fault::TIMER;
  }
  if (r[reg::TIMER_MODE] & timer::PERIODIC) {
    t.count = r[reg::TIMER_RELOAD];
  } else {
    r[reg::TIMER_RUN] &= static_cast<std::uint16_t>(~timer::RUN);
  }
}

void TimerWrite(IntervalTimer& t, Registers& r, int w, std::uint16_t v) {
  r[w] = v;
  if (w == reg::TIMER_RELOAD) {
    // Loads and starts; the prescaler cycle in progress is kept.
    t.count = v;
    r[reg::TIMER_RUN] |= timer::RUN;
  }
}

}  // namespace kv74
