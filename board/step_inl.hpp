// The parts of a step shared by the run loops of step.cpp and the checked run loop
// (board/run_checked.hpp): instruction latch, PC check, request or instruction through the handler
// table of a bus.
#pragma once

#include <array>
#include <type_traits>
#include <utility>

#include "board/step.hpp"
#include "cpu/bus.hpp"
#include "cpu/decode.hpp"
#include "cpu/instructions.hpp"

namespace kv74::step_detail {

using Handler = void (*)(MachineState&);

// The instances of a form, one per selector value: make(integral_constant S) gives form<S>.
template <unsigned Count, typename Make>
constexpr std::array<Handler, Count> Instances(Make make) {
  return [&]<unsigned... S>(std::integer_sequence<unsigned, S...>) {
    return std::array<Handler, Count>{make(std::integral_constant<unsigned, S>{})...};
  }
  (std::make_integer_sequence<unsigned, Count>{});
}

// The body that executes instruction word w.
template <typename Bus>
Handler WordBody(std::uint16_t w) {
  using namespace exec;
#define KV74_BY(count, selector, ...)                           \
  Instances<count>([](auto s) -> Handler {                      \
    [[maybe_unused]] constexpr unsigned S = decltype(s)::value; \
    return __VA_ARGS__;                                         \
  })[selector]
  const unsigned t = FieldT(w), c = FieldD(w);
  switch (Decode(w)) {
    case Op::Invalid: return Invalid;
    case Op::LoadBase0: return LoadBase0<Bus>;
    case Op::StoreBase0: return StoreBase0<Bus>;
    case Op::LoadBase1: return LoadBase1<Bus>;
    case Op::StoreBase1: return StoreBase1<Bus>;
    case Op::AluToR0Short: return KV74_BY(8, t, AluToR0Short<Bus, S>);
    case Op::AluToR0T7: return AluShortT7<Bus>;
    case Op::AluToMemShort: return KV74_BY(8, t, AluToMemShort<Bus, S>);
    case Op::AluToMemT7: return AluShortT7<Bus>;
    case Op::CallTable: return CallTable<Bus>;
    case Op::JumpRel: return KV74_BY(16, c, JumpRel<S>);
    case Op::MovRR: return MovRR;
    case Op::Mul: return Mul;
    case Op::AluRR: return KV74_BY(8, t, AluRR<S>);
    case Op::MovbBasex: return MovbBasex<Bus>;
    case Op::CmpbBasex: return CmpbBasex<Bus>;
    case Op::MovRegBasex: return MovRegBasex<Bus>;
    case Op::AluRegBasex: return KV74_BY(8, t, AluRegBasex<Bus, S>);
    case Op::MovBasexReg: return MovBasexReg<Bus>;
    case Op::AluBasexReg: return KV74_BY(8, t, AluBasexReg<Bus, S>);
    case Op::MovbInd: return MovbInd<Bus>;
    case Op::MovbImm: return MovbImm;
    case Op::CmpbInd: return CmpbInd<Bus>;
    case Op::CmpbImm: return CmpbImm;
    case Op::AluInd: return KV74_BY(8, t, AluInd<Bus, S>);
    case Op::AluImm: return KV74_BY(8, t, AluImm<S>);
    case Op::MovInd: return MovInd<Bus>;
    case Op::MovImm: return MovImm;
    case Op::PairIntoR0R1: return PairIntoR0R1;
    case Op::ReadDirect: return ReadDirect;
    case Op::PopReg: return PopReg<Bus>;
    case Op::JumpReg: return JumpReg<Bus>;
    case Op::JumpAbs: return KV74_BY(16, c, JumpAbs<Bus, S>);
    case Op::Return: return Return<Bus>;
    case Op::UnaryMem: return KV74_BY(8, t, UnaryMem<Bus, S>);
    case Op::UnaryReg: return KV74_BY(8, t, UnaryReg<S>);
    case Op::ShiftReg: return KV74_BY(8, t, ShiftReg<S>);
    case Op::Sign: return Sign;
    case Op::PairIntoPair: return PairIntoPair;
    case Op::WriteDirect: return WriteDirect;
    case Op::PushReg: return PushReg<Bus>;
    case Op::Stop:
    case Op::Wait: return NoOperation;
    case Op::Count: break;
  }
#undef KV74_BY
  return Invalid;
}

template <typename Bus>
std::array<Handler, 65536> BuildWordBodies() {
  std::array<Handler, 65536> bodies{};
  for (unsigned w = 0; w < bodies.size(); ++w)
    bodies[w] = WordBody<Bus>(static_cast<std::uint16_t>(w));
  return bodies;
}

// The body of every instruction word, so that a step dispatches with one load. Built at start-up
// from the decoder table, which the compiler builds.
template <typename Bus>
inline const std::array<Handler, 65536> kWordBodies = BuildWordBodies<Bus>();

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

// A pending request is taken, or else the latched instruction runs.
template <typename Bus = PlainBus>
[[gnu::always_inline]] inline void RequestOrInstruction(MachineState& m) {
  const Handler body = kWordBodies<Bus>[m.opWord];
  if (m[reg::FAULTS] != 0) [[unlikely]] {
    if (exec::TakeRequest<Bus>(m, m[reg::PC])) return;
  }
  body(m);
}

// The PC check: an instruction is never executed from outside the executable areas. Raising
// the request before the ticks instead of after them changes nothing, as the ticks only add
// request bits of their own and change neither the PC nor memory.
[[gnu::always_inline]] inline void CheckPc(MachineState& m, bool executable) {
  if (!executable) [[unlikely]] {
    m[reg::FAULTS] |= fault::BAD_ADDRESS;
  }
}

}  // namespace kv74::step_detail
