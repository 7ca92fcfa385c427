// Request entry.
#include <array>
#include <bit>

#include "cpu/instructions.hpp"
#include "cpu/tap.hpp"

namespace kv74::exec {
namespace {

constexpr std::uint16_t kInterruptMaskBit = 0x0010;  // word 22 bit 4

// ProgramMemory vector word of each FaultBits bit; restart (bit 0) has none.
constexpr std::array<std::uint16_t, 8> kVectors = {0, 191, 239, 255, 139, 136, 137, 138};

template <typename Bus>
void Enter(MachineState& m, unsigned bit, std::uint16_t entryPc) {
  m[reg::FAULTS] &= static_cast<std::uint16_t>(~(1u << bit));
  if (bit == 0) {
    Pc(m) = 0;  // restart saves nothing
    return;
  }
  DirectStackStore<Bus>(m, entryPc);
  Pc(m) = m.ProgramMemory[kVectors[bit]];
}

}  // namespace

int RequestLine(const MachineState& m) {
  const unsigned pending = m[reg::FAULTS];
  if (pending & fault::FAULT_MASK) return std::countr_zero(pending & fault::FAULT_MASK);
  if ((pending & fault::INTERRUPT_MASK) && !(m[reg::IMASK] & kInterruptMaskBit)) {
    return std::countr_zero(pending & fault::INTERRUPT_MASK);
  }
  return -1;
}

template <typename Bus>
bool TakeRequest(MachineState& m, std::uint16_t entryPc) {
  const unsigned pending = m[reg::FAULTS];
  if (pending & fault::FAULT_MASK) {
    Enter<Bus>(m, static_cast<unsigned>(std::countr_zero(pending & fault::FAULT_MASK)), entryPc);
    return true;
  }
  if ((pending & fault::INTERRUPT_MASK) && !(m[reg::IMASK] & kInterruptMaskBit)) {
    Enter<Bus>(m, static_cast<unsigned>(std::countr_zero(pending & fault::INTERRUPT_MASK)),
               entryPc);
    return true;
  }
  return false;
}

template bool TakeRequest<PlainBus>(MachineState&, std::uint16_t);
template bool TakeRequest<TappedBus>(MachineState&, std::uint16_t);

}  // namespace kv74::exec
