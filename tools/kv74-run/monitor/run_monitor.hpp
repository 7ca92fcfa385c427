// The console monitor of kv74-run: commands from a terminal (--debug) or a file (--do) carried
// out by a monitor session (monitor/session.hpp) on the runner's machine and panel. A --do script
// is parsed whole before anything runs; a bad line is a UsageError "FILE:LINE: message".
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "board/machine.hpp"
#include "debuginfo/debug_info.hpp"
#include "monitor/session.hpp"
#include "options.hpp"
#include "runner_panel.hpp"
#include "script.hpp"

namespace kv74::mon {

// Exit status of a monitor run: 0 every expect held, 1 one failed. A bad script line, or a
// command of a script that cannot be carried out, is a UsageError (exit 2, no outputs written).
struct MonitorResult {
  int status = 0;
  std::uint64_t steps = 0;
  // With --coverage, --profile, --profile-folded: the files' text.
  std::string coverage, profile, folded;
  std::uint64_t from = 0;  // the step the run started at (a snapshot's)
};

// The files a monitor run reads, read and checked before anything is written: the debug
// information (--debug-info, else V4.debug.json beside the images when present) and the --do
// script, parsed whole.
struct MonitorInputs {
  std::optional<dbg::DebugInfo> info;
  std::vector<ScriptLine> script;
};
MonitorInputs ReadMonitorInputs(const RunOptions& options, const std::filesystem::path& images,
                                const BoardState& m, const Clickable& clickable);

// Runs the --do script or the interactive monitor on standard input.
MonitorResult RunMonitor(BoardState& m, RunnerPanel& panel,
                         std::span<const ScriptClick> inputClicks, const RunOptions& options,
                         const MonitorInputs& inputs);

}  // namespace kv74::mon
