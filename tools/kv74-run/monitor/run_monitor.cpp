#include "run_monitor.hpp"

#include <signal.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include "analysis/machine.hpp"
#include "line_reader.hpp"
#include "monitor/session.hpp"

namespace kv74::mon {

namespace fs = std::filesystem;

MonitorResult RunMonitor(MachineState& m, RunnerPanel& panel,
                         std::span<const ScriptClick> inputClicks, const RunOptions& o,
                         const fs::path& images) {
  std::optional<dbg::DebugInfo> info;
  fs::path infoFile = o.debugInfo ? *o.debugInfo : images / "V4.debug.json";
  if (o.debugInfo || fs::exists(infoFile)) {
    try {
      info = dbg::ReadDebugInfo(infoFile);
    } catch (const dbg::DebugInfoError& e) {
      throw UsageError(e.what());
    }
  } else {
    info = ana::AnalyseMachine(m);  // names and instruction starts found in the images
  }
  debug::Engine engine(m, panel.DebugTarget());
  std::vector<debug::ClickEvent> schedule;
  for (const ScriptClick& c : inputClicks) schedule.push_back({c.step, c.name});
  engine.SetSchedule(std::move(schedule));
  engine.RecordHistory(true);
  // Without the monitor (a plain run from a snapshot) no stop line is printed.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> quiet(
      o.Monitor() ? nullptr : std::fopen("/dev/null", "w"), &std::fclose);
  if (!o.Monitor() && !quiet) throw UsageError("cannot open /dev/null");
  Session session(m, engine, panel.Surface(), info ? &*info : nullptr, o.steps,
                  quiet ? quiet.get() : stdout);
  const ParseContext context = session.Context();
  MonitorResult result;
  if (o.loadState) {
    try {
      session.LoadState(*o.loadState);
    } catch (const CommandError& e) {
      throw UsageError(std::string("--load-state: ") + e.what());
    }
  }

  if (!o.Monitor()) {
    session.RecordHistory(false);
    session.Execute(*ParseCommand("continue", context), "");
  } else if (o.doScript) {
    std::ifstream in(*o.doScript, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in || fs::is_directory(*o.doScript)) {
      throw UsageError("cannot read monitor script " + o.doScript->string());
    }
    std::vector<ScriptLine> lines;
    try {
      lines = ParseScript(text.str(), o.doScript->string(), context);
    } catch (const ScriptError& e) {
      throw UsageError(e.what());
    }
    // The history costs the runs about three quarters of their speed: a script keeps it only
    // when it prints it or has conditions (which take `steps` from it).
    session.RecordHistory(std::any_of(lines.begin(), lines.end(), [](const ScriptLine& l) {
      return l.command.verb == Verb::History || l.command.condition.has_value();
    }));
    for (const ScriptLine& line : lines) {
      const std::string where = o.doScript->string() + ":" + std::to_string(line.line) + ": ";
      try {
        if (!session.Execute(line.command, where)) break;
      } catch (const CommandError& e) {
        // The script did not run to its end: no outputs are written.
        std::fflush(stdout);
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
      std::fflush(stdout);
    }
    if (reader.Interactive()) sigaction(SIGINT, &saved, nullptr);
  }
  std::fflush(stdout);
  if (result.status == 0 && session.ExpectFailed()) result.status = 1;
  result.steps = session.Steps();
  return result;
}

}  // namespace kv74::mon
