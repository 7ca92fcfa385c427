// Run control's cost: the engine with nothing set, with one PC breakpoint, with a watchpoint
// (neither ever hit, so every step pays for the check), and the time of one step back after
// 10^8 steps of the bundled firmware's automatic run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>

#include "bench/clearing_target.hpp"
#include "bench/mix_program.hpp"
#include "board/image.hpp"
#include "board/power.hpp"
#include "debug/engine.hpp"
#include "debug/panel_target.hpp"
#include "panel/table_surface.hpp"
#include "source_dir.hpp"

namespace {

using namespace kv74;

using bench::ClearingTarget;

enum class Set { Nothing, Breakpoint, Watchpoint, History };

void BM_EngineMix(benchmark::State& state) {
  auto m = std::make_unique<MachineState>();
  bench::LoadMixProgram(*m);
  ClearingTarget target;
  debug::Engine engine(*m, target);
  switch (static_cast<Set>(state.range(0))) {
    case Set::Nothing: break;
    case Set::Breakpoint: engine.Points().AddBreak(0x1FFF); break;
    case Set::Watchpoint: engine.Points().AddWatch(0x4400, 0x4401, debug::WatchKind::Access); break;
    case Set::History: engine.RecordHistory(true); break;
  }
  constexpr int kBatch = 1 << 16;
  for (auto _ : state) {
    engine.Continue(kBatch);
    benchmark::DoNotOptimize(m->RegisterFile);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_EngineMix)
    ->ArgName("set")
    ->Arg(static_cast<int>(Set::Nothing))
    ->Arg(static_cast<int>(Set::Breakpoint))
    ->Arg(static_cast<int>(Set::Watchpoint))
    ->Arg(static_cast<int>(Set::History));

// One step back after 10^8 steps of the automatic run: restore the newest checkpoint, run on to
// one step short.
void BM_StepBackAfterAutoRun(benchmark::State& state) {
  auto m = std::make_unique<MachineState>();
  LoadImages(*m, DefaultImageDir());
  PowerOn(*m);
  TableSurface surface;
  ImageCanvas canvas;
  PanelLogic logic(*m, surface, canvas, PanelOptions{"/dev/null/none", [](const std::string&) {}});
  debug::PanelTarget target(logic, surface, &canvas);
  logic.StartUp();
  debug::Engine engine(*m, target);
  std::vector<debug::ClickEvent> clicks;
  std::ifstream in(std::filesystem::path(KV74_SOURCE_DATA_DIR) / "../firmware/demo/auto-run.input");
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    debug::ClickEvent c;
    std::string verb;
    if (!line.empty() && line[0] != '#' && (words >> c.step >> verb >> c.name)) clicks.push_back(c);
  }
  engine.SetSchedule(clicks);
  engine.Continue(100000000);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    engine.Back(1);
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    engine.Continue(1);
  }
}
BENCHMARK(BM_StepBackAfterAutoRun)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
