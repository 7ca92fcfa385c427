// The console monitor of kv74-run: commands from a terminal (--debug) or a file (--do) carried
// out on the machine, the panel and the run control. A --do script is parsed whole before
// anything runs; a bad line is a UsageError "FILE:LINE: message".
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "debuginfo/debug_info.hpp"
#include "describe.hpp"
#include "monitor/command.hpp"
#include "options.hpp"
#include "run_control.hpp"
#include "runner_panel.hpp"
#include "script.hpp"

namespace kv74::mon {

// Exit status of a monitor run: 0 every expect held, 1 one failed, 2 a bad line or a command
// that could not be carried out.
struct MonitorResult {
  int status = 0;
  std::uint64_t steps = 0;
};

class Session {
 public:
  Session(MachineState& m, RunnerPanel& panel, std::span<const ScriptClick> inputClicks,
          const dbg::DebugInfo* info, std::optional<std::uint64_t> stepLimit, std::FILE* out);
  ~Session();

  ParseContext Context() const;

  // Carries out one command; false after quit. `where` ("FILE:LINE: " or "") leads messages.
  // Throws CommandError when the command cannot be carried out.
  bool Execute(const Command& command, const std::string& where);

  std::uint64_t Steps() const { return run_.Steps(); }
  bool ExpectFailed() const { return expectFailed_; }

 private:
  void Stopped(std::string why);
  void Resume(RunRequest request, const char* limitReason);
  void Set(const Command& command);
  void InfoBreakpoints();
  void History(std::uint64_t count);
  void Trace(const Command& command);

  MachineState& m_;
  RunnerPanel& panel_;
  Symbols symbols_;
  RunControl run_;
  std::optional<std::uint64_t> stepLimit_;
  std::FILE* out_;
  std::FILE* trace_ = nullptr;
  bool expectFailed_ = false;
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
