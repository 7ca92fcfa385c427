// Run control's cost: the engine with nothing set, with one PC breakpoint, with a watchpoint
// (neither ever hit, so every step pays for the check); the bundled firmware's automatic run with
// and without the debugger window's settings; the time of one step back and of the history after
// 10^8 steps of it.
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
  auto m = std::make_unique<BoardState>();
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

// The bundled firmware's automatic run under the engine, from power-on.
struct AutoRun {
  std::unique_ptr<BoardState> m = std::make_unique<BoardState>();
  TableSurface surface;
  ImageCanvas canvas;
  std::unique_ptr<PanelLogic> logic;
  std::unique_ptr<debug::PanelTarget> target;
  std::unique_ptr<debug::Engine> engine;

  // `window`: history, call tracking and checkpoints on, as the debugger window sets them.
  explicit AutoRun(bool window) {
    LoadImages(*m, DefaultImageDir());
    PowerOn(*m);
    logic = std::make_unique<PanelLogic>(*m, surface, canvas,
                                         PanelOptions{"/dev/null/none", [](const std::string&) {}});
    target = std::make_unique<debug::PanelTarget>(*logic, surface, &canvas);
    logic->StartUp();
    engine = std::make_unique<debug::Engine>(*m, *target);
    engine->RecordHistory(window);
    engine->TrackCalls(window);
    std::vector<debug::ClickEvent> clicks;
    std::ifstream in(std::filesystem::path(KV74_SOURCE_DATA_DIR) /
                     "../firmware/demo/auto-run.input");
    for (std::string line; std::getline(in, line);) {
      std::istringstream words(line);
      debug::ClickEvent c;
      std::string verb;
      if (!line.empty() && line[0] != '#' && (words >> c.step >> verb >> c.name))
        clicks.push_back(c);
    }
    engine->SetSchedule(clicks);
  }
};

// 10^7 steps of the automatic run: the engine with nothing set (0) and as the debugger window
// sets it (1); the second must stay within 80 % of the first.
void BM_AutoRun(benchmark::State& state) {
  AutoRun run(state.range(0) != 0);
  constexpr std::uint64_t kSteps = 10000000;
  for (auto _ : state) run.engine->Continue(kSteps);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kSteps));
}
BENCHMARK(BM_AutoRun)->ArgName("window")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// After 10^8 steps with the window's settings: one step back (restore the newest checkpoint, run
// on to one step short), and the last 20 steps of the history after a step (rebuilt from the
// checkpoint before them).
void BM_AfterAutoRun(benchmark::State& state) {
  AutoRun run(true);
  debug::Engine& engine = *run.engine;
  engine.Continue(100000000);
  const bool back = state.range(0) == 0;
  for (auto _ : state) {
    if (!back) engine.Step(1);
    const auto start = std::chrono::steady_clock::now();
    if (back) {
      engine.Back(1);
    } else {
      benchmark::DoNotOptimize(engine.GetHistory(20).Size());
    }
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    if (back) engine.Continue(1);
  }
}
BENCHMARK(BM_AfterAutoRun)
    ->ArgName("history")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

}  // namespace
