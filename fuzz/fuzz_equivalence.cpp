// Structured input (fuzz/machine_input.hpp) becomes the peripherals' internal state, the
// registers and the three memory areas; the scheduled run loop (peripherals caught up lazily) and
// the per-step reference then run the same steps and must agree at every hand-over and at the end
// of every run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "fuzz/machine_input.hpp"
#include "tests/board/lockstep.hpp"

namespace {

constexpr std::uint64_t kRuns[] = {1, 1, 7, 100, 2000, 20000};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto ref = std::make_unique<kv74::BoardState>();
  auto fast = std::make_unique<kv74::BoardState>();
  kv74::fuzz::LoadMachine(*ref, data, size);
  kv74::testing::CopyMachine(*fast, *ref);

  kv74::testing::Lockstep both(*ref, *fast);
  for (std::uint64_t n : kRuns) both.Run(n);
  if (both.failure().empty()) both.CompareAll();
  if (!both.failure().empty()) {
    std::fprintf(stderr, "scheduled run differs from the reference: %s\n", both.failure().c_str());
    std::abort();
  }
  return 0;
}
