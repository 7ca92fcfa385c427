#include <array>

#include "emu/cpu.hpp"
#include "emu/decode.hpp"
#include "emu/instructions.hpp"
#include "periph/periph.hpp"

namespace kv74 {
namespace {

struct Area {
  const std::uint16_t* words;
  unsigned base, size;
};

using Handler = void (*)(MachineState&);
constexpr std::size_t kOpCount = static_cast<std::size_t>(Op::Count);

constexpr std::array<Handler, kOpCount> BuildHandlers() {
  std::array<Handler, kOpCount> h{};
  auto set = [&h](Op op, Handler f) { h[static_cast<std::size_t>(op)] = f; };
  set(Op::Invalid, exec::Invalid);
  set(Op::LoadBase0, exec::LoadBase0);
  set(Op::StoreBase0, exec::StoreBase0);
  set(Op::LoadBase1, exec::LoadBase1);
  set(Op::StoreBase1, exec::StoreBase1);
  set(Op::AluToR0Short, exec::AluToR0Short);
  set(Op::AluToR0T7, exec::AluShortT7);
  set(Op::AluToMemShort, exec::AluToMemShort);
  set(Op::AluToMemT7, exec::AluShortT7);
  set(Op::CallTable, exec::CallTable);
  set(Op::JumpRel, exec::JumpRel);
  set(Op::MovRR, exec::MovRR);
  set(Op::Mul, exec::Mul);
  set(Op::AluRR, exec::AluRR);
  set(Op::MovbBasex, exec::MovbBasex);
  set(Op::CmpbBasex, exec::CmpbBasex);
  set(Op::MovRegBasex, exec::MovRegBasex);
  set(Op::AluRegBasex, exec::AluRegBasex);
  set(Op::MovBasexReg, exec::MovBasexReg);
  set(Op::AluBasexReg, exec::AluBasexReg);
  set(Op::MovbInd, exec::MovbInd);
  set(Op::MovbImm, exec::MovbImm);
  set(Op::CmpbInd, exec::CmpbInd);
  set(Op::CmpbImm, exec::CmpbImm);
  set(Op::AluInd, exec::AluInd);
  set(Op::AluImm, exec::AluImm);
  set(Op::MovInd, exec::MovInd);
  set(Op::MovImm, exec::MovImm);
  set(Op::PairIntoR0R1, exec::PairIntoR0R1);
  set(Op::ReadDirect, exec::ReadDirect);
  set(Op::PopReg, exec::PopReg);
  set(Op::JumpReg, exec::JumpReg);
  set(Op::JumpAbs, exec::JumpAbs);
  set(Op::Return, exec::Return);
  set(Op::UnaryMem, exec::UnaryMem);
  set(Op::UnaryReg, exec::UnaryReg);
  set(Op::ShiftReg, exec::ShiftReg);
  set(Op::Sign, exec::Sign);
  set(Op::PairIntoPair, exec::PairIntoPair);
  set(Op::WriteDirect, exec::WriteDirect);
  set(Op::PushReg, exec::PushReg);
  set(Op::Stop, exec::NoOperation);
  set(Op::Wait, exec::NoOperation);
  for (Handler f : h) {
    if (f == nullptr) throw "every instruction form needs a body";
  }
  return h;
}

constexpr std::array<Handler, kOpCount> kHandlers = BuildHandlers();

}  // namespace

void Fetch(MachineState& m) {
  const unsigned p = m[reg::PC];
  Area area;
  switch (p >> 12) {
    case 0x0:
    case 0x1: area = {m.ProgramMemory.data(), PROGRAM_BASE, PROGRAM_WORDS}; break;
    case 0x4: area = {m.DataMemory.data(), DATA_BASE, DATA_WORDS}; break;
    case 0x7: area = {m.TableMemory.data(), TABLE_BASE, TABLE_WORDS}; break;
    default: return;  // ExecuteStep takes the bad-address request without decoding
  }
  const unsigned i = p - area.base;
  m.opWord = area.words[i];
  // The word after the last word of an area lies outside it; an instruction there that uses
  // extWord is not meaningful, and it reads 0.
  m.extWord = i + 1 < area.size ? area.words[i + 1] : 0;
}

void ExecuteStep(MachineState& m) {
  TimerTick(m);
  PulseChannelsTick(m);
  SequencerTick(m);
  const std::uint16_t entryPc = m[reg::PC];
  if (!IsExecutable(entryPc)) [[unlikely]] {
    m[reg::FAULTS] |= fault::BAD_ADDRESS;
  }
  if (m[reg::FAULTS] != 0) [[unlikely]] {
    if (exec::TakeRequest(m, entryPc)) return;
  }
  kHandlers[static_cast<std::size_t>(Decode(m.opWord))](m);
}

}  // namespace kv74
