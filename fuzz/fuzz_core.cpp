// Arbitrary bytes become the registers and the three memory images; the processor then runs a
// bounded number of steps. It must never crash, hang or reach outside the machine.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "emu/cpu.hpp"

namespace {

constexpr int kSteps = 20000;

// Copies as many little-endian words as the input still holds; the rest stays zero.
void Fill(std::uint16_t* words, std::size_t count, const std::uint8_t*& data, std::size_t& size) {
  const std::size_t n = std::min(count, size / 2);
  for (std::size_t i = 0; i < n; ++i)
    words[i] = static_cast<std::uint16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  data += 2 * n;
  size -= 2 * n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto m = std::make_unique<kv74::MachineState>();
  // The start of the program first, so that short inputs already run code of their own; then
  // the registers (FaultBits included), the low RAM and tables, and the rest of the program.
  Fill(m->ProgramMemory.data(), 256, data, size);
  Fill(m->RegisterFile.data(), kv74::reg::NOTIFY_LO, data, size);
  Fill(m->DataMemory.data(), 256, data, size);
  Fill(m->TableMemory.data(), 256, data, size);
  Fill(m->ProgramMemory.data() + 256, m->ProgramMemory.size() - 256, data, size);
  for (int i = 0; i < kSteps; ++i) {
    kv74::Step(*m);
    m->NotifyWord = 0;  // the panel's hand-over
  }
  return 0;
}
