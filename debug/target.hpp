// What the engine needs of whoever shows the machine: the runner's panel, the window, a test.
// All calls come on the thread that runs the engine.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "board/machine.hpp"

namespace kv74::debug {

class Target {
 public:
  virtual ~Target() = default;
  // After a step that left NotifyWord set: show what it names, then clear it.
  virtual void Handover(BoardState& m) = 0;
  virtual bool IsClickable(std::string_view name) const = 0;
  // A click between two steps; the engine has checked IsClickable.
  virtual void Click(std::string_view name) = 0;
  // The panel logic's state (captions, colours, down states, plot picture and state, trace
  // position). RestorePanel checks the bytes completely before changing anything and throws
  // SnapshotError (debug/bytes.hpp) when they are unusable.
  virtual std::vector<std::uint8_t> SavePanel() const = 0;
  virtual void RestorePanel(std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace kv74::debug
