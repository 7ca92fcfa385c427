// The runner's command line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kv74 {

// A bad option, script line or directory: reported in one line, exit code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct RunOptions {
  std::optional<std::filesystem::path> images;  // default: the bundled data/
  std::optional<std::uint64_t> steps;
  std::optional<std::string> stateJson;  // "-" = standard output
  std::optional<std::filesystem::path> input;
  std::optional<std::filesystem::path> workdir;
  std::optional<std::uint16_t> untilPc;
  std::optional<std::string> trace;         // "-" = standard output
  std::optional<std::uint64_t> traceLimit;  // bytes
  std::optional<std::string> plotPng;
  bool quiet = false;
  bool help = false;
  // The monitor: interactive (--debug) or commands from a file (--do); see docs/debugging.md.
  bool debug = false;
  std::optional<std::filesystem::path> doScript;
  std::optional<std::filesystem::path> debugInfo;  // default: <images>/V4.debug.json if present
  // A snapshot to start from instead of power-on; the run goes through the run-control engine.
  std::optional<std::filesystem::path> loadState;
  // Coverage (lcov tracefile) and profiles (callgrind, collapsed stacks) of the steps run;
  // docs/coverage-and-profiling.md. Source paths relative to coverageBase when given.
  std::optional<std::string> coverage, profile, profileFolded;
  std::optional<std::filesystem::path> coverageBase;

  bool Monitor() const { return debug || doScript.has_value(); }
  bool Collects() const { return coverage || profile || profileFolded; }
  bool UsesEngine() const { return Monitor() || loadState.has_value() || Collects(); }

  // Steps to run at most: --steps, else unlimited with --until-pc, else 0.
  std::uint64_t StepLimit() const;
};

// Throws UsageError naming the offending argument.
RunOptions ParseOptions(const std::vector<std::string>& args);

const char* HelpText();

}  // namespace kv74
