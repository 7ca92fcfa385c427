// The parts of a step shared by the run loops of step.cpp and the checked run loop
// (emu/run_checked.hpp): instruction latch, PC check, request or instruction through the handler
// table of a bus.
#pragma once

#include <array>

#include "emu/bus.hpp"
#include "emu/cpu.hpp"
#include "emu/decode.hpp"
#include "emu/instructions.hpp"

namespace kv74::step_detail {

using Handler = void (*)(MachineState&);
constexpr std::size_t kOpCount = static_cast<std::size_t>(Op::Count);

template <typename Bus>
constexpr std::array<Handler, kOpCount> BuildHandlers() {
  std::array<Handler, kOpCount> h{};
  std::array<bool, kOpCount> given{};
  auto set = [&h, &given](Op op, Handler f) {
    h[static_cast<std::size_t>(op)] = f;
    given[static_cast<std::size_t>(op)] = true;
  };
  set(Op::Invalid, exec::Invalid);
  set(Op::LoadBase0, exec::LoadBase0<Bus>);
  set(Op::StoreBase0, exec::StoreBase0<Bus>);
  set(Op::LoadBase1, exec::LoadBase1<Bus>);
  set(Op::StoreBase1, exec::StoreBase1<Bus>);
  set(Op::AluToR0Short, exec::AluToR0Short<Bus>);
  set(Op::AluToR0T7, exec::AluShortT7<Bus>);
  set(Op::AluToMemShort, exec::AluToMemShort<Bus>);
  set(Op::AluToMemT7, exec::AluShortT7<Bus>);
  set(Op::CallTable, exec::CallTable<Bus>);
  set(Op::JumpRel, exec::JumpRel);
  set(Op::MovRR, exec::MovRR);
  set(Op::Mul, exec::Mul);
  set(Op::AluRR, exec::AluRR);
  set(Op::MovbBasex, exec::MovbBasex<Bus>);
  set(Op::CmpbBasex, exec::CmpbBasex<Bus>);
  set(Op::MovRegBasex, exec::MovRegBasex<Bus>);
  set(Op::AluRegBasex, exec::AluRegBasex<Bus>);
  set(Op::MovBasexReg, exec::MovBasexReg<Bus>);
  set(Op::AluBasexReg, exec::AluBasexReg<Bus>);
  set(Op::MovbInd, exec::MovbInd<Bus>);
  set(Op::MovbImm, exec::MovbImm);
  set(Op::CmpbInd, exec::CmpbInd<Bus>);
  set(Op::CmpbImm, exec::CmpbImm);
  set(Op::AluInd, exec::AluInd<Bus>);
  set(Op::AluImm, exec::AluImm);
  set(Op::MovInd, exec::MovInd<Bus>);
  set(Op::MovImm, exec::MovImm);
  set(Op::PairIntoR0R1, exec::PairIntoR0R1);
  set(Op::ReadDirect, exec::ReadDirect);
  set(Op::PopReg, exec::PopReg<Bus>);
  set(Op::JumpReg, exec::JumpReg<Bus>);
  set(Op::JumpAbs, exec::JumpAbs<Bus>);
  set(Op::Return, exec::Return<Bus>);
  set(Op::UnaryMem, exec::UnaryMem<Bus>);
  set(Op::UnaryReg, exec::UnaryReg);
  set(Op::ShiftReg, exec::ShiftReg);
  set(Op::Sign, exec::Sign);
  set(Op::PairIntoPair, exec::PairIntoPair);
  set(Op::WriteDirect, exec::WriteDirect);
  set(Op::PushReg, exec::PushReg<Bus>);
  set(Op::Stop, exec::NoOperation);
  set(Op::Wait, exec::NoOperation);
  for (bool g : given) {
    if (!g) throw "every instruction form needs a body";
  }
  return h;
}

template <typename Bus>
inline constexpr std::array<Handler, kOpCount> kHandlers = BuildHandlers<Bus>();

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
  if (p < PROGRAM_BASE + PROGRAM_WORDS) [[likely]] {
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
  if (m[reg::FAULTS] != 0) [[unlikely]] {
    if (exec::TakeRequest<Bus>(m, m[reg::PC])) return;
  }
  kHandlers<Bus>[static_cast<std::size_t>(Decode(m.opWord))](m);
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
