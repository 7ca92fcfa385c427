// The parts of a step shared by the per-step reference (step.cpp) and the run loop
// (board/run_loop.hpp): the bodies' table of addresses, instruction latch, PC check, request entry.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstring>

#include "board/step.hpp"
#include "cpu/bodies.hpp"
#include "cpu/bus.hpp"
#include "cpu/decode.hpp"
#include "cpu/instructions.hpp"

namespace kv74::step_detail {

using Handler = void (*)(MachineState&);

// The body of every body number (cpu/bodies.hpp), by address.
template <typename Bus>
constexpr std::array<Handler, body::COUNT> BuildBodies() {
  using namespace exec;
  std::array<Handler, body::COUNT> bodies{};
#define KV74_BODY_CASE(op, s, ...)             \
  {                                            \
    [[maybe_unused]] constexpr unsigned S = s; \
    bodies[body::op + s] = __VA_ARGS__;        \
  }
  KV74_EACH_BODY
#undef KV74_BODY_CASE
  return bodies;
}

template <typename Bus>
inline constexpr std::array<Handler, body::COUNT> kBodies = BuildBodies<Bus>();

// Latches the words at p and p + 1 of an area whose words are at base..base + size - 1. The word
// after the last word of an area lies outside it; an instruction there that uses extWord is not
// meaningful, and it reads 0.
template <std::uint16_t Base, std::size_t Size>
[[gnu::always_inline]] inline void LatchFrom(MachineState& m,
                                             const std::array<std::uint16_t, Size>& area,
                                             unsigned p) {
  const std::uint16_t* words = &area[p - Base];
  m.opWord = words[0];
  m.extWord = p != Base + Size - 1 ? words[1] : 0;
}

// Latches the instruction words; false when the PC lies outside the executable areas. Each area
// has a path of its own, so that its last address is a constant.
[[gnu::always_inline]] inline bool LatchWords(MachineState& m) {
  const unsigned p = m[reg::PC];
  if (p < PROGRAM_BASE + PROGRAM_WORDS - 1) [[likely]] {  // both words in ProgramMemory
    const std::uint16_t* words = m.ProgramMemory.data() + (p - PROGRAM_BASE);
    m.opWord = words[0];
    m.extWord = words[1];
  } else if (p < PROGRAM_BASE + PROGRAM_WORDS) {
    LatchFrom<PROGRAM_BASE>(m, m.ProgramMemory, p);
  } else if (p - DATA_BASE < DATA_WORDS) {
    LatchFrom<DATA_BASE>(m, m.DataMemory, p);
  } else if (p - TABLE_BASE < TABLE_WORDS) {
    LatchFrom<TABLE_BASE>(m, m.TableMemory, p);
  } else {
    return false;
  }
  return true;
}

// A pending request is taken, or else the latched instruction runs, its body called through the
// table of addresses: the per-step reference (the run loops inline the bodies, board/run_loop.hpp).
inline void RequestOrInstruction(MachineState& m) {
  if (m[reg::FAULTS] != 0) [[unlikely]] {
    if (exec::TakeRequest<PlainBus>(m, m[reg::PC])) return;
  }
  kBodies<PlainBus>[BodyNumber(m.opWord)](m);
}

// The PC check: an instruction is never executed from outside the executable areas. Raising
// the request before the ticks instead of after them changes nothing, as the ticks only add
// request bits of their own and change neither the PC nor memory.
[[gnu::always_inline]] inline void CheckPc(MachineState& m, bool executable) {
  if (!executable) [[unlikely]] {
    RaiseRequest(m, fault::BAD_ADDRESS);
  }
}

// LatchWords for a PC p below PROGRAM_BASE + PROGRAM_WORDS - 1, where a step fetches almost always;
// returns opWord.
[[gnu::always_inline]] inline unsigned LatchFromProgram(MachineState& m, unsigned p) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"  // no virtual bases: the offsets are plain
  static_assert(offsetof(MachineState, extWord) == offsetof(MachineState, opWord) + 2);
#pragma GCC diagnostic pop
  static_assert(std::endian::native == std::endian::little);  // opWord in the low half
  std::uint32_t words;  // both words in one load and one store
  std::memcpy(&words, m.ProgramMemory.data() + (p - PROGRAM_BASE), sizeof words);
  std::memcpy(&m.opWord, &words, sizeof words);
  return words & 0xFFFF;
}

// Request entry at the PC, out of the way of the run loop.
[[gnu::noinline]] inline bool TakeRequestAtPc(MachineState& m) {
  return exec::TakeRequest<PlainBus>(m, m[reg::PC]);
}

}  // namespace kv74::step_detail
