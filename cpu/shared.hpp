// Words that the panel thread touches while the processor runs: word 33 (keyboard register) and
// word 35 (input port). Every access to them on either thread goes through these functions, so no
// update is lost and nothing else pays for atomics.
#pragma once

#include <atomic>
#include <cstdint>

#include "cpu/machine.hpp"
#include "cpu/word_ref.hpp"

namespace kv74 {

inline WordRef SharedWord(MachineState& m, int w) {
  return WordRef(m.RegisterFile[static_cast<std::size_t>(w)]);
}

inline std::uint16_t LoadShared(MachineState& m, int w) {
  return SharedWord(m, w).load(std::memory_order_relaxed);
}

inline void StoreShared(MachineState& m, int w, std::uint16_t v) {
  SharedWord(m, w).store(v, std::memory_order_relaxed);
}

// The keyboard rule: a code below 112 is taken once. The clear only succeeds if the word still
// holds the value read, so a key stored by the panel after the read survives.
inline std::uint16_t ReadKeyboard(MachineState& m) {
  auto ref = SharedWord(m, reg::KEYBOARD);
  std::uint16_t v = ref.load(std::memory_order_relaxed);
  if (v < 112) {
    std::uint16_t expected = v;
    ref.compare_exchange_strong(expected, 0, std::memory_order_relaxed);
  }
  return v;
}

inline void SetSharedBits(MachineState& m, int w, std::uint16_t bits) {
  SharedWord(m, w).fetch_or(bits, std::memory_order_relaxed);
}

inline void ClearSharedBits(MachineState& m, int w, std::uint16_t bits) {
  SharedWord(m, w).fetch_and(static_cast<std::uint16_t>(~bits), std::memory_order_relaxed);
}

// Returns the value before the toggle.
inline std::uint16_t ToggleSharedBits(MachineState& m, int w, std::uint16_t bits) {
  return SharedWord(m, w).fetch_xor(bits, std::memory_order_relaxed);
}

}  // namespace kv74
