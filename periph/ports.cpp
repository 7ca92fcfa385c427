#include "periph/periph.hpp"

#include "emu/shared.hpp"

namespace kv74 {

void SequencerTick(MachineState&) {}
std::uint16_t PortRead(MachineState& m, int w) {
  return w == reg::PORT_IN ? LoadShared(m, w) : m[w];
}
void PortWrite(MachineState& m, int w, std::uint16_t v) {
  if (w == reg::PORT_IN) StoreShared(m, w, v);
  else m[w] = v;
}

}  // namespace kv74
