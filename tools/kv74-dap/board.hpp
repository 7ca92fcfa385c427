// What a launch sets up: the machine with its images, the runner's panel logic (the same as
// kv74-run's), the run-control engine over them, and the debug information when there is any.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "board/machine.hpp"
#include "debug/engine.hpp"
#include "debuginfo/debug_info.hpp"
#include "monitor/describe.hpp"
#include "monitor/session.hpp"
#include "runner_panel.hpp"

namespace kv74::dap {

struct LaunchConfig {
  std::filesystem::path images;
  std::optional<std::filesystem::path> debugInfo;  // default: V4.debug.json beside the images
  std::optional<std::filesystem::path> input;      // click script
  std::filesystem::path workdir = ".";             // prog.txt goes here
};

struct Board {
  // Throws RequestError naming what could not be read.
  explicit Board(const LaunchConfig& config);

  std::unique_ptr<BoardState> machine;
  std::unique_ptr<RunnerPanel> panel;
  std::optional<dbg::DebugInfo> info;
  std::unique_ptr<debug::Engine> engine;
  // The monitor's commands from the debug console; its answers go where each command says.
  std::unique_ptr<mon::Session> session;
  std::string note;  // said once on the console: where the debug information came from

  BoardState& M() { return *machine; }
  debug::Engine& E() { return *engine; }
  const dbg::DebugInfo* Info() const { return info ? &*info : nullptr; }
  mon::Symbols Symbols() const { return mon::Symbols(Info()); }
  // Stores a word as the processor would (the monitor's `set`): data memory and the I/O page
  // through the bus, program and table memory directly. Throws RequestError where nothing can be
  // stored (mon::Storable).
  void Store(std::uint16_t address, std::uint16_t value);
  // After stores: the engine cannot replay a change made from outside the run, so the recorded
  // run starts again here.
  void Restart() { engine->MachineChanged(); }
};

}  // namespace kv74::dap
