// Control transfer, the stack, request entry, direct register access and the special words.
#include <array>
#include <atomic>
#include <bit>

#include "cpu/alu.hpp"
#include "cpu/bus.hpp"
#include "cpu/decode.hpp"
#include "cpu/instructions.hpp"
#include "cpu/tap.hpp"

namespace kv74::exec {
namespace {

constexpr unsigned kCallCondition = 2;
constexpr std::uint16_t kInterruptMaskBit = 0x0010;  // word 22 bit 4

// ProgramMemory vector word of each FaultBits bit; restart (bit 0) has none.
constexpr std::array<std::uint16_t, 8> kVectors = {0, 191, 239, 255, 139, 136, 137, 138};

std::uint16_t& Pc(MachineState& m) { return m[reg::PC]; }
std::uint16_t& Sp(MachineState& m) { return m[reg::SP]; }
void Advance(MachineState& m, unsigned words) { Pc(m) = static_cast<std::uint16_t>(Pc(m) + words); }
void RaiseBadAddress(MachineState& m) { m[reg::FAULTS] |= fault::BAD_ADDRESS; }

// RegisterFile word named by a direct offset 0x00..0x3F, or -1 when the offset is unmapped.
int DirectWord(std::uint16_t op) { return static_cast<int>(IoMap[FieldO(op)]) - 1; }

template <typename Bus>
void Enter(MachineState& m, unsigned bit, std::uint16_t entryPc) {
  m[reg::FAULTS] &= static_cast<std::uint16_t>(~(1u << bit));
  if (bit == 0) {
    Pc(m) = 0;  // restart saves nothing
    return;
  }
  DirectStackStore<Bus>(m, entryPc);
  Pc(m) = m.ProgramMemory[kVectors[bit]];
}

template <typename Bus>
void Call(MachineState& m, std::uint16_t returnAddress, std::uint16_t target) {
  DirectStackStore<Bus>(m, returnAddress);
  Pc(m) = target;
}

}  // namespace

int RequestLine(const MachineState& m) {
  const unsigned pending = m[reg::FAULTS];
  if (pending & fault::FAULT_MASK) return std::countr_zero(pending & fault::FAULT_MASK);
  if ((pending & fault::INTERRUPT_MASK) && !(m[reg::IMASK] & kInterruptMaskBit)) {
    return std::countr_zero(pending & fault::INTERRUPT_MASK);
  }
  return -1;
}

template <typename Bus>
bool TakeRequest(MachineState& m, std::uint16_t entryPc) {
  const unsigned pending = m[reg::FAULTS];
  if (pending & fault::FAULT_MASK) {
    Enter<Bus>(m, static_cast<unsigned>(std::countr_zero(pending & fault::FAULT_MASK)), entryPc);
    return true;
  }
  if ((pending & fault::INTERRUPT_MASK) && !(m[reg::IMASK] & kInterruptMaskBit)) {
    Enter<Bus>(m, static_cast<unsigned>(std::countr_zero(pending & fault::INTERRUPT_MASK)),
               entryPc);
    return true;
  }
  return false;
}

// A stack pointer that has left DataMemory would push the word outside the RAM: the store is
// dropped and the bad-address request raised, while the stack pointer still moves as for a
// real push.
template <typename Bus>
void DirectStackStore(MachineState& m, std::uint16_t v) {
  const std::uint16_t sp = ++Sp(m);
  const unsigned i = static_cast<unsigned>(sp) - DATA_BASE;
  if (i < DATA_WORDS) {
    const std::uint16_t before = m.DataMemory[i];
    // One atomic word, as every RAM store, for the window thread reading RAM meanwhile.
    std::atomic_ref<std::uint16_t>(m.DataMemory[i]).store(v, std::memory_order_relaxed);
    Bus::Noted(m, sp, before, v);
  } else {
    RaiseBadAddress(m);
  }
}

template <typename Bus>
void CallTable(MachineState& m) {
  Call<Bus>(m, static_cast<std::uint16_t>(Pc(m) + 1), m.ProgramMemory[FieldDD(m.opWord)]);
}

// The displacement counts from the jump itself: dd = 0 is a loop on the spot.
template <unsigned C>
void JumpRel(MachineState& m) {
  if (TestCondition(m, C)) {
    Advance(m, static_cast<unsigned>(static_cast<std::int8_t>(FieldDD(m.opWord))));
  } else {
    Advance(m, 1);
  }
}

template <typename Bus>
void JumpReg(MachineState& m) {
  const unsigned c = FieldD(m.opWord);
  const std::uint16_t target = m.RegisterFile[FieldN(m.opWord)];
  if (c == kCallCondition) {
    Call<Bus>(m, static_cast<std::uint16_t>(Pc(m) + 1), target);
  } else if (TestCondition(m, c)) {
    Pc(m) = target;
  } else {
    Advance(m, 1);
  }
}

template <typename Bus, unsigned C>
void JumpAbs(MachineState& m) {
  constexpr unsigned c = C;
  if (c == kCallCondition) {
    Call<Bus>(m, static_cast<std::uint16_t>(Pc(m) + 2), m.extWord);
  } else if (TestCondition(m, c)) {
    Pc(m) = m.extWord;
  } else {
    Advance(m, 2);
  }
}

template <typename Bus>
void Return(MachineState& m) {
  Pc(m) = Bus::Read(m, Sp(m));
  --Sp(m);
}

void ReadDirect(MachineState& m) {
  const int w = DirectWord(m.opWord);
  if (w < 0) {
    RaiseBadAddress(m);
  } else {
    m[0] = m[w];
  }
  Advance(m, 1);
}

void WriteDirect(MachineState& m) {
  const int w = DirectWord(m.opWord);
  if (w < 0) {
    RaiseBadAddress(m);
  } else {
    m[w] = m[0];
  }
  Advance(m, 1);
}

// Reads through the bus; the register is written directly, without hook or notification.
template <typename Bus>
void PopReg(MachineState& m) {
  const std::uint16_t v = Bus::Read(m, Sp(m));
  const int w = DirectWord(m.opWord);
  if (w < 0) {
    RaiseBadAddress(m);
  } else {
    --Sp(m);
    m[w] = v;
  }
  Advance(m, 1);
}

// The register is read directly; the store goes through the bus and may notify.
template <typename Bus>
void PushReg(MachineState& m) {
  const std::uint16_t sp = ++Sp(m);
  const int w = DirectWord(m.opWord);
  if (w < 0) {
    RaiseBadAddress(m);
  } else {
    Bus::Write(m, sp, m[w]);
  }
  Advance(m, 1);
}

void NoOperation(MachineState& m) { Advance(m, 1); }

// The forms that reach memory, for both buses; the jumps once per condition.
#define KV74_CONDITION_FORMS(Bus, C)            \
  template void JumpAbs<Bus, C>(MachineState&); \
  template void JumpAbs<Bus, C + 1>(MachineState&);
#define KV74_CONTROL_FORMS(Bus)                                      \
  template bool TakeRequest<Bus>(MachineState&, std::uint16_t);      \
  template void DirectStackStore<Bus>(MachineState&, std::uint16_t); \
  template void CallTable<Bus>(MachineState&);                       \
  template void JumpReg<Bus>(MachineState&);                         \
  template void Return<Bus>(MachineState&);                          \
  template void PopReg<Bus>(MachineState&);                          \
  template void PushReg<Bus>(MachineState&);                         \
  KV74_CONDITION_FORMS(Bus, 0)                                       \
  KV74_CONDITION_FORMS(Bus, 2)                                       \
  KV74_CONDITION_FORMS(Bus, 4)                                       \
  KV74_CONDITION_FORMS(Bus, 6)                                       \
  KV74_CONDITION_FORMS(Bus, 8)                                       \
  KV74_CONDITION_FORMS(Bus, 10)                                      \
  KV74_CONDITION_FORMS(Bus, 12)                                      \
  KV74_CONDITION_FORMS(Bus, 14)
KV74_CONTROL_FORMS(PlainBus)
KV74_CONTROL_FORMS(TappedBus)
#undef KV74_CONTROL_FORMS
#undef KV74_CONDITION_FORMS

#define KV74_JUMP_REL(C)                   \
  template void JumpRel<C>(MachineState&); \
  template void JumpRel<C + 1>(MachineState&);
KV74_JUMP_REL(0)
KV74_JUMP_REL(2)
KV74_JUMP_REL(4)
KV74_JUMP_REL(6)
KV74_JUMP_REL(8)
KV74_JUMP_REL(10)
KV74_JUMP_REL(12)
KV74_JUMP_REL(14)
#undef KV74_JUMP_REL

}  // namespace kv74::exec
