// Words that the panel thread touches while the processor runs: word 33 (keyboard register) and
// word 35 (input port). Every access to them on either thread goes through these functions, so no
// update is lost and nothing else pays for atomics.
#pragma once

#include <atomic>
#include <cstdint>

#include "cpu/registers.hpp"
#include "cpu/word_ref.hpp"

namespace kv74 {

inline WordRef SharedWord(Registers& r, int w) {
  return WordRef(r.RegisterFile[static_cast<std::size_t>(w)]);
}

inline std::uint16_t LoadShared(Registers& r, int w) {
  return SharedWord(r, w).load(std::memory_order_relaxed);
}

inline void StoreShared(Registers& r, int w, std::uint16_t v) {
  SharedWord(r, w).store(v, std::memory_order_relaxed);
}

// The keyboard rule: a code below 112 is taken once. The clear only succeeds if the word still
// holds the value read, so a key stored by the panel after the read survives.
inline std::uint16_t ReadKeyboard(Registers& r) {
  auto ref = SharedWord(r, reg::KEYBOARD);
  std::uint16_t v = ref.load(std::memory_order_relaxed);
  if (v < 112) {
    std::uint16_t expected = v;
    ref.compare_exchange_strong(expected, 0, std::memory_order_relaxed);
  }
  return v;
}

inline void SetSharedBits(Registers& r, int w, std::uint16_t bits) {
  SharedWord(r, w).fetch_or(bits, std::memory_order_relaxed);
}

inline void ClearSharedBits(Registers& r, int w, std::uint16_t bits) {
  SharedWord(r, w).fetch_and(static_cast<std::uint16_t>(~bits), std::memory_order_relaxed);
}

// Returns the value before the toggle.
inline std::uint16_t ToggleSharedBits(Registers& r, int w, std::uint16_t bits) {
  return SharedWord(r, w).fetch_xor(bits, std::memory_order_relaxed);
}

}  // namespace kv74
