// kv74-run: the firmware on the emulated controller, headless and deterministic.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "emu/image.hpp"
#include "emu/power.hpp"
#include "options.hpp"
#include "run.hpp"
#include "runner_panel.hpp"
#include "script.hpp"
#include "session.hpp"
#include "state_json.hpp"

namespace fs = std::filesystem;
using namespace kv74;

namespace {

constexpr int EXIT_MISSING_IMAGE = 1;
constexpr int EXIT_USAGE = 2;

// An output file that appears only once complete: written beside its target, then renamed.
class OutputFile {
 public:
  explicit OutputFile(const std::string& name, const char* what) : name_(name), what_(what) {
    if (name_ == "-") return;
    temp_ = name_ + ".part";
    file_ = std::fopen(temp_.c_str(), "wb");
    if (!file_) throw UsageError(std::string("cannot write ") + what_ + " " + name_);
  }
  ~OutputFile() {
    if (file_) std::fclose(file_);
    if (!temp_.empty()) std::remove(temp_.c_str());
  }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::FILE* get() const { return file_ ? file_ : stdout; }

  void Commit() {
    bool ok = std::fflush(get()) == 0 && !std::ferror(get());
    if (file_) {
      ok = std::fclose(file_) == 0 && ok;
      file_ = nullptr;
      ok = ok && std::rename(temp_.c_str(), name_.c_str()) == 0;
    }
    if (!ok) throw UsageError(std::string("cannot write ") + what_ + " " + name_);
    temp_.clear();
  }

 private:
  std::string name_, what_, temp_;
  std::FILE* file_ = nullptr;
};

int Run(const RunOptions& o) {
  auto machine = std::make_unique<MachineState>();
  MachineState& m = *machine;
  const fs::path workdir = o.workdir ? *o.workdir : fs::path(".");
  RunnerPanel panel(m, workdir);
  std::vector<ScriptClick> clicks;
  if (o.input) {
    clicks = LoadScript(*o.input, [&](std::string_view n) { return panel.IsClickable(n); });
  }
  const fs::path images = o.images ? *o.images : DefaultImageDir();
  if (o.images && !fs::is_directory(images)) {
    throw UsageError("cannot read image directory " + images.string());
  }
  LoadImages(m, images);
  PowerOn(m);
  if (o.workdir) {
    std::error_code ec;
    fs::create_directories(*o.workdir, ec);
    if (!fs::is_directory(*o.workdir)) {
      throw UsageError("cannot use working directory " + o.workdir->string() +
                       (ec ? ": " + ec.message() : ""));
    }
  }

  if (o.plotPng) {
    const fs::path dir = fs::path(*o.plotPng).parent_path();
    if (!dir.empty() && !fs::is_directory(dir)) {
      throw UsageError("cannot write plot picture " + *o.plotPng + ": no directory " +
                       dir.string());
    }
  }
  panel.StartUp();

  std::unique_ptr<OutputFile> state, trace;
  if (o.stateJson) state = std::make_unique<OutputFile>(*o.stateJson, "state JSON");
  if (o.trace) trace = std::make_unique<OutputFile>(*o.trace, "trace");

  RunPlan plan;
  plan.stepLimit = o.StepLimit();
  plan.untilPc = o.untilPc;
  plan.trace = trace ? trace->get() : nullptr;
  plan.clicks = clicks;
  for (const ScriptClick& c : clicks) {
    if (c.step > plan.stepLimit && !o.Monitor()) {
      std::fprintf(stderr, "kv74-run: %s:%d: step %" PRIu64 " lies beyond the run; not clicked\n",
                   o.input->string().c_str(), c.line, c.step);
    }
  }

  const auto start = std::chrono::steady_clock::now();
  RunResult r;
  int status = 0;
  if (o.Monitor()) {
    const mon::MonitorResult result = mon::RunMonitor(m, panel, clicks, o, images);
    r.steps = result.steps;
    status = result.status;
  } else {
    r = RunMachine(m, panel, plan);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  panel.FlushTrace();
  if (trace) trace->Commit();
  if (o.plotPng) {
    std::string error;
    if (!panel.SavePlot(*o.plotPng, &error)) {
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
    const std::string text = json.str();
    std::fwrite(text.data(), 1, text.size(), state->get());
    state->Commit();
  }

  if (!o.quiet) {
    std::fprintf(stderr, "kv74-run: %" PRIu64 " steps in %.3f s (%.1f M steps/s)", r.steps, seconds,
                 seconds > 0 ? static_cast<double>(r.steps) / seconds / 1e6 : 0.0);
    if (o.untilPc) {
      std::fprintf(stderr, r.stoppedAtPc ? ", stopped at PC 0x%04X" : ", PC 0x%04X not reached",
                   *o.untilPc);
    }
    std::fprintf(stderr, "\n");
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
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
  }
}
