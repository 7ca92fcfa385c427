// The debug adapter: requests in, responses and events out, the machine run through the
// run-control engine on the caller's thread. Runs go in slices; between slices the requests that
// came meanwhile are served (pause stops the run, disconnect ends it), so the input is never left
// unread for long.
//
//   adapter.cpp     dispatch, initialize/launch/configurationDone/disconnect, threads
//   run.cpp         continue, next, stepIn, stepOut, stepBack, reverseContinue, pause; stops
//   breakpoints.*   source, instruction, function, data and exception breakpoints
//   inspect.*       stackTrace, scopes, variables, readMemory, writeMemory, disassemble
//   console.cpp     evaluate: expressions, and monitor commands from the debug console
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "board.hpp"
#include "breakpoints.hpp"
#include "debug/stop.hpp"
#include "framing.hpp"
#include "monitor/command.hpp"
#include "protocol.hpp"

namespace kv74::dap {

struct AdapterOptions {
  std::uint64_t slice = std::uint64_t{1} << 20;  // steps between looks at the input
  // Steps one run request may take before it stops as paused (bounded runs for tests/fuzzing).
  std::uint64_t runLimit = std::numeric_limits<std::uint64_t>::max();
  std::filesystem::path defaultImages;  // when launch names no images
  bool writeFiles = true;               // console save-state may write files (not when fuzzing)
};

class Adapter {
 public:
  using Send = std::function<void(const Json&)>;
  // A message that came while the machine runs, or nothing when none waits.
  using Poll = std::function<std::optional<Frame>()>;

  Adapter(Send send, Poll poll, AdapterOptions options);
  ~Adapter();

  void Handle(const Frame& frame);
  bool Finished() const { return finished_; }

 private:
  enum class RunKind : std::uint8_t {
    Continue,  // at most `count` steps
    StepIn,
    Next,
    StepOut,
    StepBack,  // `count` steps
    ReverseContinue,
    RunTo,  // goalPc_, at most `count` steps
  };
  static constexpr std::uint64_t kForever = std::numeric_limits<std::uint64_t>::max();
  using Handler = void (Adapter::*)(const Json& request, const Args& args);
  struct Command {
    std::string_view name;
    Handler handler;
    bool needsLaunch;
    bool runs;  // refused while a run is in progress
  };
  static const Command kCommands[];

  void Dispatch(const Json& request);
  void Reply(const Json& request, Json body = Json::object()) {
    send_(Response(request, std::move(body)));
  }
  void Output(const std::string& text, const char* category = "console");
  Board& B() { return *board_; }

  // adapter.cpp
  void Initialize(const Json& r, const Args& a);
  void Launch(const Json& r, const Args& a);
  void ConfigurationDone(const Json& r, const Args& a);
  void Disconnect(const Json& r, const Args& a);
  void Terminate(const Json& r, const Args& a);
  void Threads(const Json& r, const Args& a);
  void SetBreakpoints(const Json& r, const Args& a);
  void SetInstructionBreakpoints(const Json& r, const Args& a);
  void SetFunctionBreakpoints(const Json& r, const Args& a);
  void DataBreakpointInfo(const Json& r, const Args& a);
  void SetDataBreakpoints(const Json& r, const Args& a);
  void SetExceptionBreakpoints(const Json& r, const Args& a);
  void StackTrace(const Json& r, const Args& a);
  void Scopes(const Json& r, const Args& a);
  void Variables(const Json& r, const Args& a);
  void ReadMemory(const Json& r, const Args& a);
  void WriteMemory(const Json& r, const Args& a);
  void Disassemble(const Json& r, const Args& a);

  // run.cpp
  void Continue(const Json& r, const Args& a);
  void Next(const Json& r, const Args& a);
  void StepIn(const Json& r, const Args& a);
  void StepOut(const Json& r, const Args& a);
  void StepBack(const Json& r, const Args& a);
  void ReverseContinue(const Json& r, const Args& a);
  void Pause(const Json& r, const Args& a);
  void Go(RunKind kind, std::uint64_t count = kForever);
  debug::StopReason RunSliced(RunKind kind, std::uint64_t count);
  void ServeWhileRunning();
  static bool EndsSession(const Frame& frame);  // disconnect, terminate, end of input
  void Stopped(const debug::StopReason& stop);
  void StoppedAt(const char* reason, const std::string& description);

  // console.cpp
  void Evaluate(const Json& r, const Args& a);
  void Monitor(const Json& r, const std::string& line);
  void ConsolePoints(const mon::Command& c, std::string& out);

  Send send_;
  Poll poll_;
  AdapterOptions options_;
  std::unique_ptr<Board> board_;
  std::unique_ptr<BreakpointBook> book_;
  bool stopOnEntry_ = false, configured_ = false, finished_ = false, running_ = false;
  bool pauseWanted_ = false;
  std::deque<Frame> deferred_;  // disconnect/terminate/end of input met during a run
  // Goal of the run in progress: where a step over, step out or run-to ends.
  std::uint16_t goalPc_ = 0, goalSp_ = 0;
};

}  // namespace kv74::dap
