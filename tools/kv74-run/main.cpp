// kv74-run: the firmware on the emulated controller, headless and deterministic.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "board/image.hpp"
#include "board/power.hpp"
#include "monitor/run_monitor.hpp"
#include "options.hpp"
#include "run.hpp"
#include "runner_panel.hpp"
#include "script.hpp"
#include "state_json.hpp"
#include "tools/common/output.hpp"

namespace fs = std::filesystem;
using namespace kv74;

namespace {

constexpr int EXIT_MISSING_IMAGE = 1;
constexpr int EXIT_USAGE = 2;

// Usage errors about the outputs, found before anything is read, created or emptied: two outputs
// naming one file, a working directory or prog.txt that cannot be written.
void CheckOutputs(const RunOptions& o, const fs::path& workdir) {
  std::vector<std::pair<std::string, std::string>> named;
  if (o.stateJson) named.emplace_back("--state-json", *o.stateJson);
  if (o.trace) named.emplace_back("--trace", *o.trace);
  if (o.plotPng) named.emplace_back("--plot-png", *o.plotPng);
  if (o.coverage) named.emplace_back("--coverage", *o.coverage);
  if (o.profile) named.emplace_back("--profile", *o.profile);
  if (o.profileFolded) named.emplace_back("--profile-folded", *o.profileFolded);
  named.emplace_back(std::string(TRACE_FILE_NAME), (workdir / TRACE_FILE_NAME).string());
  if (std::string clash = fileio::SameFileClash(named); !clash.empty()) throw UsageError(clash);
  std::string error;
  if (!fileio::CheckWritable(workdir.string(), true, error)) {
    throw UsageError("cannot use working directory " + error);
  }
  std::error_code ec;
  if (fs::is_directory(workdir, ec) &&
      !fileio::CheckWritable((workdir / TRACE_FILE_NAME).string(), false, error)) {
    throw UsageError("cannot write " + error);
  }
}

int Run(const RunOptions& o) {
  const fs::path workdir = o.workdir ? *o.workdir : fs::path(".");
  CheckOutputs(o, workdir);
  fileio::Transaction outputs;
  fileio::Output* state = o.stateJson ? &outputs.Add("state JSON", *o.stateJson) : nullptr;
  fileio::Output* trace = o.trace ? &outputs.Add("trace", *o.trace) : nullptr;
  fileio::Output* plot = o.plotPng ? &outputs.Add("plot picture", *o.plotPng) : nullptr;
  fileio::Output* coverage = o.coverage ? &outputs.Add("coverage", *o.coverage) : nullptr;
  fileio::Output* profile = o.profile ? &outputs.Add("profile", *o.profile) : nullptr;
  fileio::Output* folded =
      o.profileFolded ? &outputs.Add("folded profile", *o.profileFolded) : nullptr;
  if (std::string error; !outputs.OpenAll(error)) throw UsageError(error);

  auto machine = std::make_unique<BoardState>();
  BoardState& m = *machine;
  RunnerPanel panel(m, workdir);
  std::vector<ScriptClick> clicks;
  if (o.input) {
    clicks = LoadScript(*o.input, [&](std::string_view n) { return panel.IsClickable(n); });
  }
  const fs::path images = o.images ? *o.images : DefaultImageDir();
  std::error_code ec;
  if (o.images && !fs::is_directory(images, ec)) {
    throw UsageError("cannot read image directory " + images.string() +
                     (ec ? ": " + ec.message() : ""));
  }
  for (const std::string& warning : LoadImages(m, images)) {
    std::fprintf(stderr, "kv74-run: warning: %s\n", warning.c_str());
  }
  const mon::MonitorInputs monitorInputs =
      o.UsesEngine() ? mon::ReadMonitorInputs(
                           o, images, m, [&](std::string_view n) { return panel.IsClickable(n); })
                     : mon::MonitorInputs{};
  PowerOn(m);
  if (o.workdir) {
    fs::create_directories(*o.workdir, ec);
    if (!fs::is_directory(*o.workdir, ec)) {
      throw UsageError("cannot use working directory " + o.workdir->string() +
                       (ec ? ": " + ec.message() : ""));
    }
  }
  panel.StartUp();
  if (panel.TraceFailed()) throw UsageError("cannot write " + (workdir / TRACE_FILE_NAME).string());

  RunPlan plan;
  plan.stepLimit = o.StepLimit();
  plan.untilPc = o.untilPc;
  plan.trace = trace ? trace->Stream() : nullptr;
  plan.traceLimit = o.traceLimit.value_or(0);
  plan.clicks = clicks;
  for (const ScriptClick& c : clicks) {
    if (c.step > plan.stepLimit && !o.UsesEngine()) {
      std::fprintf(stderr, "kv74-run: %s:%d: step %" PRIu64 " lies beyond the run; not clicked\n",
                   o.input->string().c_str(), c.line, c.step);
    }
  }

  const auto start = std::chrono::steady_clock::now();
  RunResult r;
  int status = 0;
  std::uint64_t from = 0;
  if (o.UsesEngine()) {
    const mon::MonitorResult result = mon::RunMonitor(m, panel, clicks, o, monitorInputs);
    r.steps = result.steps;
    from = result.from;
    status = result.status;
    if (coverage) coverage->Write(result.coverage);
    if (profile) profile->Write(result.profile);
    if (folded) folded->Write(result.folded);
  } else {
    r = RunMachine(m, panel, plan);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  panel.FlushTrace();
  if (r.traceError != 0) {
    throw UsageError("cannot write trace " + *o.trace + ": " + std::strerror(r.traceError));
  }
  if (r.traceStoppedAt) {
    std::fprintf(stderr,
                 "kv74-run: trace stopped before step %" PRIu64 ": --trace-limit of %" PRIu64
                 " bytes reached\n",
                 *r.traceStoppedAt, plan.traceLimit);
  }
  if (plot) {
    std::string error;
    if (!panel.SavePlot(plot->Stream(), &error)) {
      throw UsageError("cannot write plot picture " + *o.plotPng + ": " + error);
    }
  }
  if (state) {
    std::ostringstream json;
    JsonWriter w(json);
    w.BeginObject();
    WriteStateMembers(w, m, r.steps);
    panel.WriteJsonMembers(w);
    w.EndObject();
    state->Write(json.str());
  }
  if (std::string error; !outputs.CommitAll(error)) throw UsageError(error);
  if (panel.TraceFailed()) {
    throw UsageError("decoded blocks were not all written to " +
                     (workdir / TRACE_FILE_NAME).string());
  }

  if (!o.quiet) {
    std::fprintf(stderr, "kv74-run: %" PRIu64 " steps in %.3f s (%.1f M steps/s)", r.steps, seconds,
                 seconds > 0 ? static_cast<double>(r.steps - from) / seconds / 1e6 : 0.0);
    if (o.untilPc) {
      std::fprintf(stderr, r.stoppedAtPc ? ", stopped at PC 0x%04X" : ", PC 0x%04X not reached",
                   *o.untilPc);
    }
    std::fprintf(stderr, "\n");
  }
  return status;
}

int Main(int argc, char** argv) {
  try {
    const RunOptions o = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (o.help) {
      std::fputs(HelpText(), stdout);
      return 0;
    }
    return Run(o);
  } catch (const ImageError& e) {
    if (e.kind() == ImageError::Kind::NotFound) {
      std::fprintf(stderr, "%s\n", e.what());
      return EXIT_MISSING_IMAGE;
    }
    std::fprintf(stderr, "kv74-run: %s\n", e.what());
    return EXIT_USAGE;
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kv74-run: %s\n", e.what());
    return EXIT_USAGE;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kv74-run: %s\n", e.what());
    return EXIT_USAGE;
  }
}

}  // namespace

int main(int argc, char** argv) {
  return fileio::ExitStatus(Main(argc, argv), "kv74-run", EXIT_USAGE);
}
