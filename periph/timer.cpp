#include "periph/periph.hpp"

namespace kv74 {

// The prescaler has just passed 0: count the counter down, and expire when it was already 0.
void TimerRollover(MachineState& m) {
  m.timerPrescaler = timer::PRESCALER_RELOAD;
  if (m.timerCount-- != 0) return;
  if (!(m[reg::TIMER_INHIBIT] & timer::INHIBIT) && !(m[reg::TIMER_MODE] & timer::MODE_QUIET)) {
    m[reg::FAULTS] |= fault::TIMER;
  }
  if (m[reg::TIMER_MODE] & timer::PERIODIC) {
    m.timerCount = m[reg::TIMER_RELOAD];
  } else {
    m[reg::TIMER_RUN] &= static_cast<std::uint16_t>(~timer::RUN);
  }
}

// All three readable timer words show the live count, never what was written to them.
std::uint16_t TimerRead(MachineState& m, int) { return m.timerCount; }

void TimerWrite(MachineState& m, int w, std::uint16_t v) {
  m[w] = v;
  if (w == reg::TIMER_RELOAD) {
    // Loads and starts; the prescaler cycle in progress is kept.
    m.timerCount = v;
    m[reg::TIMER_RUN] |= timer::RUN;
  }
}

}  // namespace kv74
