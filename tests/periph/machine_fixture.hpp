// A fresh machine for peripheral tests, ticked the way a processor step ticks it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "cpu/machine.hpp"
#include "periph/periph.hpp"

namespace kv74::test {

class PeriphTest : public ::testing::Test {
 protected:
  std::unique_ptr<MachineState> owner = std::make_unique<MachineState>();
  MachineState& m = *owner;

  void Tick(std::uint64_t n = 1) {
    for (std::uint64_t i = 0; i < n; ++i) {
      TimerTick(m);
      PulseChannelsTick(m);
      SequencerTick(m);
    }
  }

  // Ticks until pred() holds; returns the number of ticks taken, or limit + 1 if it never did.
  template <typename Pred>
  std::uint64_t TicksUntil(Pred pred, std::uint64_t limit) {
    for (std::uint64_t i = 1; i <= limit; ++i) {
      Tick();
      if (pred()) return i;
    }
    return limit + 1;
  }
};

}  // namespace kv74::test
