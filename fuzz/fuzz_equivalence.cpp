// Arbitrary bytes become the peripherals' internal state, the registers and the three memory
// images; the scheduled run loop (peripherals caught up lazily) and the per-step reference then
// run the same steps and must agree at every hand-over and at the end of every run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "tests/emu/lockstep.hpp"

namespace {

constexpr std::uint64_t kRuns[] = {1, 1, 7, 100, 2000, 20000};

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint16_t Word() {
    if (size_ < 2) return 0;
    const auto w = static_cast<std::uint16_t>(data_[0] | (data_[1] << 8));
    data_ += 2;
    size_ -= 2;
    return w;
  }
  void Fill(std::uint16_t* words, std::size_t count) {
    for (std::size_t i = 0; i < count && size_ >= 2; ++i) words[i] = Word();
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

void Peripherals(Input& in, kv74::MachineState& m) {
  m.timerPrescaler = in.Word();
  m.timerCount = in.Word();
  for (std::size_t i = 0; i < 3; ++i) {
    m.channelPeriod[i] = in.Word();
    m.channelDivider[i] = in.Word();
    m.channelMarkCount[i] = in.Word();
  }
  m.jogDivider = in.Word();
  m.jogSampleCount = in.Word();
  m.jogButtons.store(in.Word() & 15u);
  m.seqState = static_cast<kv74::SeqState>(in.Word() % 6);
  m.seqCode = in.Word();
  const std::uint32_t low = in.Word();
  m.seqCountdown = low | (std::uint32_t{in.Word()} << 16);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto ref = std::make_unique<kv74::MachineState>();
  auto fast = std::make_unique<kv74::MachineState>();
  Input in(data, size);
  in.Fill(ref->ProgramMemory.data(), 256);
  Peripherals(in, *ref);
  in.Fill(ref->RegisterFile.data(), kv74::reg::NOTIFY_LO);
  in.Fill(ref->DataMemory.data(), 256);
  in.Fill(ref->TableMemory.data(), 256);
  in.Fill(ref->ProgramMemory.data() + 256, ref->ProgramMemory.size() - 256);
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
