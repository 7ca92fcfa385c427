#include "periph/periph.hpp"

namespace kv74 {

void TimerTick(MachineState&) {}
std::uint16_t TimerRead(MachineState& m, int) { return m.timerCount; }
void TimerWrite(MachineState& m, int w, std::uint16_t v) { m[w] = v; }

}  // namespace kv74
