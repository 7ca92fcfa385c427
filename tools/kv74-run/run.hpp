// The runner's loop: steps with clicks between them, an optional stop address and trace.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>

#include "board/machine.hpp"
#include "script.hpp"
#include "scripted_panel.hpp"

namespace kv74 {

struct RunPlan {
  std::uint64_t stepLimit = 0;
  std::optional<std::uint16_t> untilPc;  // stop before a step would start at this address
  std::FILE* trace = nullptr;            // one line per step when set
  std::uint64_t traceLimit = 0;          // bytes of trace at most (0: no limit); whole lines
  std::span<const ScriptClick> clicks;   // in step order
};

struct RunResult {
  std::uint64_t steps = 0;
  bool stoppedAtPc = false;
  std::size_t clicksDone = 0;
  std::optional<std::uint64_t> traceStoppedAt;  // the step whose line would pass the limit
  int traceError = 0;                           // errno of a failed trace write; tracing stops
};

// Runs from the machine's current state. Clicks scheduled at a step count that the run reaches
// are made, including those at its last count.
RunResult RunMachine(BoardState& m, ScriptedPanel& panel, const RunPlan& plan);

}  // namespace kv74
