#include <array>

#include "emu/cpu.hpp"
#include "emu/decode.hpp"
#include "emu/instructions.hpp"
#include "periph/periph.hpp"
#include "periph/schedule.hpp"

namespace kv74 {
namespace {

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
[[gnu::always_inline]] inline void RequestOrInstruction(MachineState& m) {
  if (m[reg::FAULTS] != 0) [[unlikely]] {
    if (exec::TakeRequest(m, m[reg::PC])) return;
  }
  kHandlers[static_cast<std::size_t>(Decode(m.opWord))](m);
}

// Everything of the step after the fetch.
[[gnu::always_inline]] inline void RunStep(MachineState& m) {
  TimerTick(m);
  PulseChannelsTick(m);
  SequencerTick(m);
  RequestOrInstruction(m);
}

// The PC check: an instruction is never executed from outside the executable areas. Raising
// the request before the ticks instead of after them changes nothing, as the ticks only add
// request bits of their own and change neither the PC nor memory.
[[gnu::always_inline]] inline void CheckPc(MachineState& m, bool executable) {
  if (!executable) [[unlikely]] {
    m[reg::FAULTS] |= fault::BAD_ADDRESS;
  }
}

}  // namespace

void Fetch(MachineState& m) { LatchWords(m); }

void ExecuteStep(MachineState& m) {
  CheckPc(m, IsExecutable(m[reg::PC]));
  RunStep(m);
}

void Step(MachineState& m) {
  CheckPc(m, LatchWords(m));
  RunStep(m);
}

namespace {

// The run loop with the peripherals caught up lazily: a step whose tick only counts leaves it to
// tickClock; the ticks run for real at eventClock, and the state is brought up to date wherever
// it can be seen (the bus hooks, every hand-over, the end of the run).
template <typename More>
void RunScheduled(MachineState& m, HandoverReceiver& receiver, More more) {
  SyncPeripherals(m);
  ReschedulePeripherals(m);
  // Nothing but this loop changes tickClock, so it lives in a register and is only stored.
  std::uint64_t clock = m.tickClock;
  while (more(clock)) {
    m.tickClock = ++clock;
    if (clock == m.eventClock) [[unlikely]]
      PeripheralEventTick(m);
    CheckPc(m, LatchWords(m));
    RequestOrInstruction(m);
    if (m.NotifyWord != 0) [[unlikely]] {
      SyncPeripherals(m);
      receiver.Handover(m);
      ReschedulePeripherals(m);  // the receiver may have changed anything
    }
  }
  SyncPeripherals(m);
}

}  // namespace

void RunScheduledSteps(MachineState& m, std::uint64_t n, HandoverReceiver& receiver) {
  const std::uint64_t end = m.tickClock + n;
  RunScheduled(m, receiver, [end](std::uint64_t clock) { return clock != end; });
}

void RunScheduledWhile(MachineState& m, const std::atomic<int>& runFlag, int stop,
                       HandoverReceiver& receiver) {
  RunScheduled(m, receiver,
               [&](std::uint64_t) { return runFlag.load(std::memory_order_acquire) != stop; });
}

}  // namespace kv74
