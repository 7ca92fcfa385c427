// Processor speed: steps per second on a firmware-like instruction mix.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/mix_program.hpp"
#include "board/step.hpp"
#include "board/thread.hpp"

namespace {

class ClearingReceiver : public kv74::HandoverReceiver {
 public:
  void Handover(kv74::BoardState& m) override { m.NotifyWord = 0; }
};

// The run loop of the emulator.
void BM_CoreMix(benchmark::State& state) {
  auto m = std::make_unique<kv74::BoardState>();
  kv74::bench::LoadMixProgram(*m);
  ClearingReceiver r;
  constexpr int kBatch = 1 << 16;
  for (auto _ : state) {
    kv74::RunSteps(*m, kBatch, r);
    benchmark::DoNotOptimize(m->RegisterFile);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_CoreMix);

// One Step call per step, every peripheral ticked.
void BM_CoreMixSingleSteps(benchmark::State& state) {
  auto m = std::make_unique<kv74::BoardState>();
  kv74::bench::LoadMixProgram(*m);
  constexpr int kBatch = 1 << 16;
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) kv74::Step(*m);
    benchmark::DoNotOptimize(m->RegisterFile);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_CoreMixSingleSteps);

}  // namespace

BENCHMARK_MAIN();
