// A run-control target for the benchmark mix: takes every hand-over by clearing the notification;
// there is no panel to click or save.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "debug/engine.hpp"

namespace kv74::bench {

class ClearingTarget : public debug::Target {
 public:
  void Handover(BoardState& m) override { m.NotifyWord = 0; }
  bool IsClickable(std::string_view) const override { return false; }
  void Click(std::string_view) override {}
  std::vector<std::uint8_t> SavePanel() const override { return {}; }
  void RestorePanel(std::span<const std::uint8_t>) override {}
};

}  // namespace kv74::bench
