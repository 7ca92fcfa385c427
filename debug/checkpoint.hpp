// A checkpoint of the engine's run: what reverse execution restores before running forward.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "debug/call_stack.hpp"
#include "debug/engine.hpp"

namespace kv74::debug {

struct Engine::Checkpoint {
  std::uint64_t step = 0;
  std::unique_ptr<BoardState> machine;
  std::vector<std::uint8_t> panel;
  std::size_t schedulePosition = 0;
  std::vector<Frame> frames;
};

}  // namespace kv74::debug
