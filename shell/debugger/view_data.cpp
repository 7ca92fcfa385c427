#include "shell/debugger/view_data.hpp"

#include "board/schedule.hpp"
#include "debug/history_text.hpp"
#include "debug/machine_codec.hpp"

namespace kv74::shell::dbgwin {

ViewData Gather(debug::Engine& engine, const dbg::DebugInfo* info, bool paused,
                const debug::Collector* collected) {
  ViewData d;
  auto copy = std::make_shared<BoardState>();
  debug::CopyMachine(*copy, engine.Machine());
  SyncPeripherals(*copy);  // the counted ticks applied to the copy only
  d.coverage.counting = engine.GetCollector() != nullptr;
  if (collected != nullptr) {
    d.coverage.profiling = collected->Profiling();
    d.coverage.marks = std::make_shared<const debug::CoverageMarks>(*collected, info, *copy);
    if (info != nullptr) d.coverage.routines = debug::RoutineCosts(*collected, *info, *copy);
  }
  d.m = std::move(copy);
  d.steps = engine.Steps();
  d.points = engine.Points().All();
  for (debug::Point& p : d.points) p.condition = nullptr;
  d.frames = engine.Calls().Frames();
  d.paused = paused;
  // Rebuilt by re-running steps: only for a machine that stands still.
  if (paused && engine.RecordingHistory())
    d.history = debug::HistoryLines(engine.GetHistory(kHistoryShown), kHistoryShown, *d.m, info);
  d.oldestReachable = engine.OldestReachable();
  return d;
}

}  // namespace kv74::shell::dbgwin
