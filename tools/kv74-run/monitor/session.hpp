// The console monitor of kv74-run: commands from a terminal (--debug) or a file (--do) carried
// out through the run-control engine (debug/engine.hpp) on the machine and the panel. A --do
// script is parsed whole before anything runs; a bad line is a UsageError "FILE:LINE: message".
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "debug/engine.hpp"
#include "debuginfo/debug_info.hpp"
#include "describe.hpp"
#include "monitor/command.hpp"
#include "options.hpp"
#include "runner_panel.hpp"
#include "script.hpp"

namespace kv74::mon {

// Exit status of a monitor run: 0 every expect held, 1 one failed. A bad script line, or a
// command of a script that cannot be carried out, is a UsageError (exit 2, no outputs written).
struct MonitorResult {
  int status = 0;
  std::uint64_t steps = 0;
};

class Session final : private debug::StepObserver {
 public:
  Session(MachineState& m, RunnerPanel& panel, std::span<const ScriptClick> inputClicks,
          const dbg::DebugInfo* info, std::optional<std::uint64_t> stepLimit, std::FILE* out);
  ~Session();

  ParseContext Context() const;

  // Carries out one command; false after quit. `where` ("FILE:LINE: " or "") leads messages.
  // Throws CommandError when the command cannot be carried out.
  bool Execute(const Command& command, const std::string& where);

  std::uint64_t Steps() const { return engine_.Steps(); }
  bool ExpectFailed() const { return expectFailed_; }
  // Any thread (a signal handler too): the run in progress stops at its next step boundary.
  void Pause() { engine_.RequestPause(); }
  // The history of the last steps (on from the start).
  void RecordHistory(bool on) { engine_.RecordHistory(on); }
  // Ctrl-C pauses the runs of an interactive session.
  void SetInteractive(bool on) { interactive_ = on; }

 private:
  // Runs `run` on the engine (Ctrl-C pausing it when interactive) and prints the stop line.
  template <typename F>
  void Go(F run);
  void Stopped(const debug::StopReason& stop);
  void Breakpoint(const Command& command);
  void Watch(const Command& command);
  void Catch(const Command& command);
  void Until(const Command& command);
  debug::Condition Condition(const Expr& expr, int id);
  std::uint64_t RunningSteps() const;
  void Set(const Command& command);
  void InfoBreakpoints();
  void History(std::uint64_t count);
  void Trace(const Command& command);
  // The trace: each step run while it is open.
  void Stepped(const MachineState& m, const debug::StepRecord& r) override;

  MachineState& m_;
  RunnerPanel& panel_;
  Symbols symbols_;
  debug::Engine engine_;
  std::optional<std::uint64_t> stepLimit_;
  std::FILE* out_;
  std::FILE* trace_ = nullptr;
  TraceOnly traceOnly_ = TraceOnly::All;
  std::uint16_t traceFirst_ = 0, traceLast_ = 0;
  std::string conditionError_;  // a condition that could not be evaluated, for the stop line
  bool expectFailed_ = false;
  bool interactive_ = false;
};

class CommandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Loads the debug information (--debug-info, else V4.debug.json beside the images when present),
// then runs the --do script or the interactive monitor on standard input.
MonitorResult RunMonitor(MachineState& m, RunnerPanel& panel,
                         std::span<const ScriptClick> inputClicks, const RunOptions& options,
                         const std::filesystem::path& images);

}  // namespace kv74::mon
