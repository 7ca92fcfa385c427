// A monitor session: the monitor's commands carried out through a run-control engine
// (debug/engine.hpp) on the machine and the panel, their answers printed to a stream. kv74-run's
// console monitor (--debug, --do) and the window's debugger console both drive one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "debug/engine.hpp"
#include "debuginfo/debug_info.hpp"
#include "monitor/command.hpp"
#include "monitor/describe.hpp"
#include "panel/surface.hpp"
#include "tools/common/output.hpp"

namespace kv74::mon {

// The commands' names and source lines resolved with this debug information (may be null) and
// these controls; Session::Context gives the session's.
using Clickable = std::function<bool(std::string_view)>;
ParseContext MakeContext(const dbg::DebugInfo* info, Clickable clickable);

// Addresses a store may change: program, table and data memory, the I/O page's registers.
bool Storable(std::uint16_t address);

class Session final : private debug::StepObserver {
 public:
  // The engine runs `m` for the panel shown on `panel` (its captions and lamps for `panel`);
  // all outlive the session. Calls come on the engine's thread.
  Session(BoardState& m, debug::Engine& engine, ControlSurface& panel, const dbg::DebugInfo* info,
          std::optional<std::uint64_t> stepLimit, std::FILE* out);
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
  // Starts from a snapshot file: the machine, the panel and the click log as saved; the --input
  // clicks after the saved step are made as the run reaches them. CommandError when unusable.
  void LoadState(const std::filesystem::path& file);
  // Ctrl-C pauses the runs of an interactive session.
  void SetInteractive(bool on) { interactive_ = on; }
  // A stop condition from an expression, as `break ... if EXPR` sets it; an evaluation error
  // stops the run and is told in the stop line (TakeConditionError for another front end's).
  // `steps` in it counts the steps of the run in progress: it turns the history on.
  debug::Condition Condition(const Expr& expr, int id);
  std::string TakeConditionError() { return std::exchange(conditionError_, {}); }
  // The stop of the last command that ran the machine.
  const std::optional<debug::StopReason>& LastStop() const { return lastStop_; }
  // The open trace closed and put in place (as `trace off` does); false with error when it could
  // not be written whole. The end of a session without it keeps what was written.
  bool CloseTrace(std::string& error);
  // The line a run command ends with: "breakpoint 1, steps N, 0x0171 KeyStart (...): MOV ...".
  std::string StopLine(const debug::StopReason& stop) const;
  // Where the answers go from now on.
  void SetOutput(std::FILE* out) { out_ = out; }
  // Where a failed expect is reported (standard error unless set).
  void SetErrors(std::FILE* errors) { errors_ = errors ? errors : stderr; }
  // Counting the steps run from now on (coverage, with `profile` the call tree too), as the
  // coverage command does; nullptr when nothing was counted.
  void StartCollecting(bool profile);
  const debug::Collector* Collected() const { return collector_.get(); }

 private:
  // Runs `run` on the engine (Ctrl-C pausing it when interactive) and prints the stop line.
  template <typename F>
  void Go(F run);
  void Stopped(const debug::StopReason& stop);
  void Breakpoint(const Command& command);
  void Watch(const Command& command);
  void Catch(const Command& command);
  void Until(const Command& command);
  // Steps a run may take: count (none: no bound) within what --steps leaves.
  std::uint64_t Left(std::optional<std::uint64_t> count = std::nullopt) const;
  std::uint64_t RunningSteps() const;
  void Set(const Command& command);
  void InfoBreakpoints();
  void History(std::uint64_t count);
  void Trace(const Command& command);
  void Coverage(const Command& command);
  // The trace: each step run while it is open.
  void Stepped(const BoardState& m, const debug::StepRecord& r) override;

  BoardState& m_;
  ControlSurface& panel_;
  Symbols symbols_;
  debug::Engine& engine_;
  std::optional<std::uint64_t> stepLimit_;
  std::FILE* out_;
  std::FILE* errors_ = stderr;
  std::unique_ptr<fileio::Output> trace_;
  TraceOnly traceOnly_ = TraceOnly::All;
  std::uint16_t traceFirst_ = 0, traceLast_ = 0;
  std::string conditionError_;  // a condition that could not be evaluated, for the stop line
  std::optional<debug::StopReason> lastStop_;
  std::unique_ptr<debug::Collector> collector_;
  bool expectFailed_ = false;
  bool interactive_ = false;
};

class CommandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kv74::mon
