// The monitor's run control: stop points (breakpoints, watchpoints, catchpoints), runs that end
// at a stop point, a step count or a goal (step over, step out, run to), the --input clicks made
// at their steps and the monitor's own clicks, the history of the last steps and the trace.
// Runs go through the checked run loop (emu/run_checked.hpp), so they take exactly the steps a
// plain run takes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "monitor/command.hpp"
#include "monitor/expr.hpp"
#include "runner_panel.hpp"
#include "script.hpp"

namespace kv74::mon {

struct StopPoint {
  enum class Kind : std::uint8_t { Break, Watch, Catch };
  int id = 0;
  Kind kind = Kind::Break;
  std::string what;                      // as written: location, range, catch
  std::vector<std::uint16_t> addresses;  // Break
  std::uint16_t first = 0, last = 0;     // Watch
  Access access = Access::Write;
  CatchKind catchKind = CatchKind::Request;
  std::optional<std::uint32_t> which;
  std::optional<Expr> condition;
  bool temporary = false;
  std::uint64_t hits = 0;
};

// One step of the history: where it ran and the registers it changed.
struct HistoryEntry {
  static constexpr int MAX_CHANGES = 6;
  std::uint64_t step;  // steps run before it (its number in a --trace)
  std::uint16_t pc, op, ext;
  std::uint8_t changes = 0;  // registers changed; more than MAX_CHANGES are not all kept
  std::array<std::pair<std::uint8_t, std::uint16_t>, MAX_CHANGES> changed{};
};

// What ends a run besides stop points and its step count.
enum class Goal : std::uint8_t { None, ReturnTo, StackBelow, ReachAddress };

struct RunRequest {
  std::uint64_t maxSteps = UINT64_MAX;
  Goal goal = Goal::None;
  std::uint16_t pc = 0;                  // ReturnTo: the address after a call
  std::uint16_t sp = 0;                  // ReturnTo, StackBelow: the stack pointer then
  std::vector<std::uint16_t> addresses;  // ReachAddress
};

// True for an instruction word that calls a routine.
bool IsCall(std::uint16_t op);

class RunControl {
 public:
  static constexpr std::size_t HISTORY = 100000;

  RunControl(MachineState& m, RunnerPanel& panel, std::span<const ScriptClick> inputClicks);
  ~RunControl();

  MachineState& Machine() { return m_; }
  std::uint64_t Steps() const { return steps_; }

  // Stop points, numbered from 1 in the order made.
  int Add(StopPoint point);
  bool Delete(int id);
  void DeleteAll() { points_.clear(); }
  const std::vector<StopPoint>& Points() const { return points_; }

  // Runs from here; the text says why it ended ("breakpoint 1", "watchpoint 2: write ...",
  // "step", ...). A breakpoint at the PC where a run starts does not stop it at once.
  std::string Run(const RunRequest& request);

  // A click now, between two steps.
  void Click(std::string_view name);

  const std::vector<HistoryEntry>& History() const { return history_; }
  std::size_t HistoryStart() const { return historyNext_; }  // oldest entry once full

  // Steps run from now on go to `file` (nullptr: none); `file` is owned by the caller.
  void SetTrace(std::FILE* file, TraceOnly only, std::uint16_t first, std::uint16_t last);

 private:
  struct Checks;
  template <typename Bus>
  struct BusChecks;

  MachineState& m_;
  RunnerPanel& panel_;
  std::span<const ScriptClick> inputClicks_;
  std::size_t clicksDone_ = 0;
  std::uint64_t steps_ = 0;
  std::vector<StopPoint> points_;
  int nextId_ = 1;
  std::vector<HistoryEntry> history_;
  std::size_t historyNext_ = 0;
  std::FILE* trace_ = nullptr;
  TraceOnly traceOnly_ = TraceOnly::All;
  std::uint16_t traceFirst_ = 0, traceLast_ = 0;
};

}  // namespace kv74::mon
