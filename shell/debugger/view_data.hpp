// What the debugger's views show: a copy of the machine and of the engine's lists, taken on the
// emulation thread at a step boundary, read by the views on the window thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "board/machine.hpp"
#include "debug/call_stack.hpp"
#include "debug/coverage_marks.hpp"
#include "debug/engine.hpp"
#include "debug/reports.hpp"
#include "debuginfo/debug_info.hpp"

namespace kv74::shell::dbgwin {

inline constexpr std::size_t kHistoryShown = 200;

// The coverage counted by the monitor's `coverage` command: whether it counts now, and while the
// coverage views are open the marks of the disassembly and the routines' costs.
struct CoverageData {
  bool counting = false;                              // a collector is attached to the engine
  bool profiling = false;                             // the session's collector keeps the call tree
  std::shared_ptr<const debug::CoverageMarks> marks;  // null: not read, or nothing counted
  std::vector<debug::RoutineCost> routines;
};

struct ViewData {
  std::shared_ptr<const BoardState> m;  // null before the first look
  std::uint64_t steps = 0;
  bool paused = false;
  std::vector<debug::Point> points;  // conditions left out
  std::vector<debug::Frame> frames;  // outermost first
  std::vector<std::string> history;  // oldest first
  std::uint64_t oldestReachable = 0;
  std::optional<debug::StopReason> stop;
  CoverageData coverage;
};

// On the engine's thread. `collected`: the counts to read for the coverage views, or null.
ViewData Gather(debug::Engine& engine, const dbg::DebugInfo* info, bool paused,
                const debug::Collector* collected = nullptr);

}  // namespace kv74::shell::dbgwin
