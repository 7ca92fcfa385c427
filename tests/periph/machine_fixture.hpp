// Fresh peripherals and register words for peripheral tests, ticked the way a processor step
// ticks them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "cpu/registers.hpp"
#include "periph/periph.hpp"

namespace kv74::test {

class PeriphTest : public ::testing::Test {
 protected:
  // The chips and the register words they reach, as on the board.
  struct Chips : Registers, Peripherals {};
  std::unique_ptr<Chips> owner = std::make_unique<Chips>();
  Chips& m = *owner;

  void Tick(std::uint64_t n = 1) {
    for (std::uint64_t i = 0; i < n; ++i) {
      TickPeripherals(m, m);
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
