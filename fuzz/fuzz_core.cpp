// Structured input (fuzz/machine_input.hpp) becomes the registers, the three memory areas and the
// peripherals' state; the processor then runs a bounded number of steps. It must never crash, hang
// or reach outside the machine.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "board/step.hpp"
#include "fuzz/machine_input.hpp"

namespace {

constexpr int kSteps = 20000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto m = std::make_unique<kv74::BoardState>();
  kv74::fuzz::LoadMachine(*m, data, size);
  for (int i = 0; i < kSteps; ++i) {
    kv74::Step(*m);
    m->NotifyWord = 0;  // the panel's hand-over
  }
  return 0;
}
