#include "run_monitor.hpp"

#include <signal.h>

#include <algorithm>
#include <memory>

#include "analysis/machine.hpp"
#include "board/read_file.hpp"
#include "debug/reports.hpp"
#include "line_reader.hpp"
#include "monitor/session.hpp"
#include "tools/common/output.hpp"

namespace kv74::mon {

namespace fs = std::filesystem;

MonitorInputs ReadMonitorInputs(const RunOptions& o, const fs::path& images, const BoardState& m,
                                const Clickable& clickable) {
  MonitorInputs in;
  fs::path infoFile = o.debugInfo ? *o.debugInfo : images / "V4.debug.json";
  if (o.debugInfo || fs::exists(infoFile)) {
    try {
      in.info = dbg::ReadDebugInfo(infoFile);
    } catch (const dbg::DebugInfoError& e) {
      throw UsageError(e.what());
    }
  } else if (o.Collects()) {
    throw UsageError("--coverage and --profile need debug information (--debug-info, or " +
                     infoFile.string() + ")");
  } else {
    in.info = ana::AnalyseMachine(m);  // names and instruction starts found in the images
  }
  if (o.doScript) {
    FileBytes text = ReadRegularFile(*o.doScript, input_limit::kMonitorScript);
    if (!text.ok())
      throw UsageError("cannot read monitor script " + o.doScript->string() + ": " + text.error);
    try {
      in.script = ParseScript(text.bytes, o.doScript->string(),
                              MakeContext(in.info ? &*in.info : nullptr, clickable));
    } catch (const ScriptError& e) {
      throw UsageError(e.what());
    }
  }
  return in;
}

MonitorResult RunMonitor(BoardState& m, RunnerPanel& panel,
                         std::span<const ScriptClick> inputClicks, const RunOptions& o,
                         const MonitorInputs& in) {
  const std::optional<dbg::DebugInfo>& info = in.info;
  debug::Engine engine(m, panel.DebugTarget());
  std::vector<debug::ClickEvent> schedule;
  for (const ScriptClick& c : inputClicks) schedule.push_back({c.step, c.name});
  engine.SetSchedule(std::move(schedule));
  engine.RecordHistory(true);
  // Without the monitor (a plain run from a snapshot) no stop line is printed.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> quiet(
      o.Monitor() ? nullptr : std::fopen("/dev/null", "w"), &std::fclose);
  if (!o.Monitor() && !quiet) throw UsageError("cannot open /dev/null");
  // A plain run that collects goes to the step limit, as without the engine.
  Session session(m, engine, panel.Surface(), info ? &*info : nullptr,
                  o.Monitor() || o.loadState ? o.steps : std::optional(o.StepLimit()),
                  quiet ? quiet.get() : stdout);
  const ParseContext context = session.Context();
  MonitorResult result;
  if (o.loadState) {
    try {
      session.LoadState(*o.loadState);
    } catch (const CommandError& e) {
      throw UsageError(std::string("--load-state: ") + e.what());
    }
    if (o.steps && *o.steps < session.Steps())
      throw UsageError("--steps " + std::to_string(*o.steps) + " lies before the snapshot's step " +
                       std::to_string(session.Steps()) + " (steps count from power-on)");
    result.from = session.Steps();
  }

  // Counted from here: a run from a snapshot counts only the steps it runs. A script's coverage
  // commands may start counting afresh; the files get what was counted last.
  if (o.Collects()) session.StartCollecting(o.profile || o.profileFolded);

  if (!o.Monitor()) {
    session.RecordHistory(false);
    session.Execute(*ParseCommand("continue", context), "");
  } else if (o.doScript) {
    const std::vector<ScriptLine>& lines = in.script;
    for (const ScriptLine& line : lines) {
      const std::string where = o.doScript->string() + ":" + std::to_string(line.line) + ": ";
      try {
        if (!session.Execute(line.command, where)) break;
      } catch (const CommandError& e) {
        // The script did not run to its end: no outputs are written.
        fileio::FlushStandardOutput();
        throw UsageError(where + e.what());
      }
    }
  } else {
    LineReader reader(stdin, "(kv74) ");
    session.SetInteractive(reader.Interactive());
    // At the prompt Ctrl-C ends the line editor's input, so the session ends as after quit
    // (outputs written) instead of the program being killed; in a run it pauses.
    struct sigaction ignore {
    }, saved{};
    ignore.sa_handler = SIG_IGN;
    if (reader.Interactive()) sigaction(SIGINT, &ignore, &saved);
    while (const auto line = reader.Next()) {
      try {
        const auto command = ParseCommand(*line, context);
        if (command && !session.Execute(*command, "")) break;
      } catch (const ParseError& e) {
        // On a terminal a caret under the prompted line shows where.
        if (reader.Interactive())
          std::fprintf(stderr, "%*s^\n", static_cast<int>(e.column + 7), "");
        std::fprintf(stderr, "error: %s\n", e.what());
      } catch (const CommandError& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
      }
      fileio::FlushStandardOutput();
    }
    if (reader.Interactive()) sigaction(SIGINT, &saved, nullptr);
  }
  if (std::string error; !session.CloseTrace(error)) throw UsageError(error);
  fileio::FlushStandardOutput();
  if (result.status == 0 && session.ExpectFailed()) result.status = 1;
  result.steps = session.Steps();
  if (const debug::Collector* collector = session.Collected(); collector && o.Collects()) {
    debug::ReportOptions ro;
    if (o.coverageBase) ro.base = &*o.coverageBase;
    if (o.coverage) result.coverage = debug::LcovText(*collector, *info, m, ro);
    if (o.profile) result.profile = debug::CallgrindText(*collector, *info, m, ro);
    if (o.profileFolded) result.folded = debug::FoldedText(*collector, *info, m);
  }
  return result;
}

}  // namespace kv74::mon
