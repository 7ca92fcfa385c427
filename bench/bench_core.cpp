// Processor speed: steps per second on a firmware-like instruction mix.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/mix_program.hpp"
#include "emu/cpu.hpp"

namespace {

void BM_CoreMix(benchmark::State& state) {
  auto m = std::make_unique<kv74::MachineState>();
  kv74::bench::LoadMixProgram(*m);
  constexpr int kBatch = 1 << 16;
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) kv74::Step(*m);
    benchmark::DoNotOptimize(m->RegisterFile);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  state.counters["steps/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBatch,
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CoreMix);

}  // namespace

BENCHMARK_MAIN();
