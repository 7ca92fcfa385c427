#include "periph/periph.hpp"

namespace kv74 {

void PulseChannelsTick(MachineState&) {}
void PulseChannelWrite(MachineState& m, int w, std::uint16_t v) { m[w] = v; }
std::uint16_t CounterRead(MachineState& m, int w) { return m[w]; }

}  // namespace kv74
