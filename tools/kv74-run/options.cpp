#include "options.hpp"

#include <charconv>
#include <limits>
#include <string_view>

namespace kv74 {
namespace {

// Decimal, or hexadecimal with a 0x prefix.
std::optional<std::uint64_t> ParseNumber(std::string_view s) {
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    s.remove_prefix(2);
    base = 16;
  }
  std::uint64_t v = 0;
  const char* end = s.data() + s.size();
  auto [p, ec] = std::from_chars(s.data(), end, v, base);
  if (s.empty() || ec != std::errc() || p != end) return std::nullopt;
  return v;
}

template <typename T>
void SetOnce(std::optional<T>& slot, T value, const std::string& option) {
  if (slot) throw UsageError("option " + option + " given twice");
  slot = std::move(value);
}

}  // namespace

std::uint64_t RunOptions::StepLimit() const {
  if (steps) return *steps;
  return untilPc ? std::numeric_limits<std::uint64_t>::max() : 0;
}

RunOptions ParseOptions(const std::vector<std::string>& args) {
  RunOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string option = args[i];
    std::optional<std::string> inlineValue;
    if (const auto eq = option.find('='); option.starts_with("--") && eq != std::string::npos) {
      inlineValue = option.substr(eq + 1);
      option.resize(eq);
    }
    auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= args.size() || args[i + 1].starts_with("--"))
        throw UsageError("option " + option + " needs a value");
      return args[++i];
    };
    auto flag = [&]() {
      if (inlineValue) throw UsageError("option " + option + " takes no value");
    };
    if (option == "--help" || option == "-h") {
      flag();
      o.help = true;
    } else if (option == "--quiet" || option == "-q") {
      flag();
      o.quiet = true;
    } else if (option == "--images") {
      SetOnce(o.images, std::filesystem::path(value()), option);
    } else if (option == "--steps") {
      const std::string v = value();
      const auto n = ParseNumber(v);
      if (!n) throw UsageError("--steps needs a non-negative whole number, not '" + v + "'");
      SetOnce(o.steps, *n, option);
    } else if (option == "--state-json") {
      SetOnce(o.stateJson, value(), option);
    } else if (option == "--input") {
      SetOnce(o.input, std::filesystem::path(value()), option);
    } else if (option == "--workdir") {
      SetOnce(o.workdir, std::filesystem::path(value()), option);
    } else if (option == "--until-pc") {
      const std::string v = value();
      const auto a = ParseNumber(v);
      if (!a || *a > 0xFFFF)
        throw UsageError("--until-pc needs an address 0..0xFFFF, not '" + v + "'");
      SetOnce(o.untilPc, static_cast<std::uint16_t>(*a), option);
    } else if (option == "--trace") {
      SetOnce(o.trace, value(), option);
    } else if (option == "--trace-limit") {
      const std::string v = value();
      const auto n = ParseNumber(v);
      if (!n || *n == 0)
        throw UsageError("--trace-limit needs a positive number of bytes, not '" + v + "'");
      SetOnce(o.traceLimit, *n, option);
    } else if (option == "--plot-png") {
      SetOnce(o.plotPng, value(), option);
    } else if (option == "--debug") {
      flag();
      o.debug = true;
    } else if (option == "--do") {
      SetOnce(o.doScript, std::filesystem::path(value()), option);
    } else if (option == "--load-state") {
      SetOnce(o.loadState, std::filesystem::path(value()), option);
    } else if (option == "--coverage") {
      SetOnce(o.coverage, value(), option);
    } else if (option == "--coverage-base") {
      SetOnce(o.coverageBase, std::filesystem::path(value()), option);
    } else if (option == "--profile") {
      SetOnce(o.profile, value(), option);
    } else if (option == "--profile-folded") {
      SetOnce(o.profileFolded, value(), option);
    } else if (option == "--debug-info") {
      SetOnce(o.debugInfo, std::filesystem::path(value()), option);
    } else {
      throw UsageError("unknown option '" + args[i] + "' (see --help)");
    }
  }
  if (o.stateJson == "-" && o.trace == "-") {
    throw UsageError("--state-json and --trace cannot both write to standard output");
  }
  if (o.traceLimit && !o.trace) throw UsageError("--trace-limit needs --trace");
  if (o.debug && o.doScript) throw UsageError("--debug and --do cannot be used together");
  if (o.UsesEngine() && (o.untilPc || o.trace)) {
    throw UsageError(
        "--until-pc and --trace are monitor commands (until, trace) with "
        "--debug/--do" +
        std::string(o.loadState ? " and --load-state" : ""));
  }
  if (o.loadState && !o.Monitor() && !o.steps) {
    throw UsageError("--load-state needs --steps (the step to run to), --do or --debug");
  }
  if (o.coverageBase && !o.Collects()) {
    throw UsageError("--coverage-base needs --coverage, --profile or --profile-folded");
  }
  for (const auto* file :
       {&o.stateJson, &o.trace, &o.plotPng, &o.coverage, &o.profile, &o.profileFolded}) {
    if (*file && (*file)->empty()) throw UsageError("an output file name is empty");
  }
  return o;
}

const char* HelpText() {
  return R"(Usage: kv74-run [OPTIONS]

Runs the controller's firmware headless, single-threaded and deterministically: loads the
images "V4", "AMT" and "RAM", starts the machine as at power-on (every register 0, input port
0x0100, PC 0) and runs a fixed number of processor steps. Each step fetches, executes and, when
it left a change notification, hands it to the operator panel's logic, which redraws a panel
without widgets exactly as the window would, decodes the current block into prog.txt and draws
the tool path.

Options:
  --images DIR        image directory (default: the bundled data/ folder)
  --steps N           run N steps (default 0; with --until-pc, no limit)
  --until-pc ADDR     stop before executing at address ADDR (decimal or 0x hex);
                      stops at whichever of --steps and --until-pc comes first
  --state-json FILE   write the final state as JSON to FILE ('-' = standard output):
                        "steps", "registers" (words 0..52; 51/52 = NotifyWord low/high),
                        "data_memory" (4096 words), "timer" {"timerPrescaler",
                        "timerCount"}, "channels" {"channelPeriod", "channelDivider",
                        "channelMarkCount", "jogDivider", "jogSampleCount"},
                        "sequencer" {"seqState", "seqCode", "seqCountdown"},
                        "panel" {"captions" (indicators and the fields n, kom, m, t,
                        f, s, x, z), "colours" (every v1_, v2_, ko, ki lamp as
                        0x00BBGGRR), "LampPatternFlag", "TraceGate", "ScaleFactor",
                        "previousPoint" [row, column]}
                      the file is replaced only once it is complete
  --input SCRIPT      click panel controls between steps; one click per line:
                        STEP click NAME
                      after STEP steps have run and before the next; STEP must not
                      decrease; '#' starts a comment; blank lines are ignored. NAME is
                      an input lamp ki0..ki15 (toggles its bit of the input port),
                      a jog toggle k0x78 k0x79 k0x7a k0x7b (one group that may be all
                      up), uskor (speed-up toggle), a key such as k0x1D (stores its
                      code into the keyboard register), clea (clears the plot) or
                      mash (plot scale x1/x2)
  --plot-png FILE     after the run, write the tool path as the plot window draws it
                      (1024 x 768 PNG)
  --workdir DIR       directory for prog.txt, the trace of decoded blocks (created if missing;
                      default: the current directory)
  --trace FILE        write one line per step to FILE ('-' = standard output):
                        step number, PC, instruction word, next word (hex), form
  --trace-limit BYTES stop tracing before the trace would pass BYTES (whole lines); the run
                      goes on and says at which step tracing stopped
  --debug             the monitor, interactive: a prompt with line editing and history when
                      standard input is a terminal (commands: docs/debugging.md, or 'help')
  --do FILE           the monitor's commands from FILE, no prompt; every line is checked
                      before anything runs; --steps is then optional (it bounds 'continue')
  --debug-info FILE   symbols and source lines for the monitor (default: V4.debug.json in
                      the image directory, when present)
  --load-state FILE   start from a snapshot (saved by the monitor's save-state or the
                      window's File menu) instead of power-on; steps, --steps and --input
                      steps still count from power-on, so the run goes on to step --steps
  --coverage FILE     write an lcov tracefile of the steps run (lines, routines entered,
                      conditional jumps taken and not taken) for genhtml and lcov
  --profile FILE      write a callgrind profile (events Steps, Calls; the call graph with
                      request entries as frames) for callgrind_annotate and KCachegrind
  --profile-folded FILE
                      write collapsed stacks ("MainLoop;PollKeys 1234") for flame graphs
  --coverage-base DIR source paths in those files relative to DIR (default: absolute)
  --quiet, -q         no summary on standard error
  --help, -h          this text

Output files (--state-json, --trace, --plot-png, --coverage, --profile, --profile-folded) are written to a temporary beside the
target and replace it only once complete; a device or FIFO is written in place, a symbolic
link is followed. Every output and prog.txt is checked before the run, and nothing is emptied
unless all checks pass.

Exit status: 0 done; 1 an image is missing ("Resource v4 not found"), or a monitor
'expect' failed; 2 a bad option, script line, directory or file, or an output that could not
be written (one line naming what is wrong and why). Nothing is run unless all inputs are good.
)";
}

}  // namespace kv74
