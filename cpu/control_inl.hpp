// The bodies of control transfer, the stack, direct register access and the special words,
// inline so that a run loop can take them into its dispatch (board/step.cpp); cpu/control.cpp
// holds request entry. Included by cpu/instructions.hpp, after execute_inl.hpp.
#pragma once

#include "cpu/alu.hpp"
#include "cpu/bus.hpp"
#include "cpu/decode.hpp"
#include "cpu/word_ref.hpp"

namespace kv74::exec {

inline constexpr unsigned kCallCondition = 2;

KV74_BODY std::uint16_t& Sp(MachineState& m) { return m[reg::SP]; }
KV74_BODY void RaiseBadAddress(MachineState& m) { RaiseRequest(m, fault::BAD_ADDRESS); }

// RegisterFile word named by a direct offset 0x00..0x3F, or -1 when the offset is unmapped.
KV74_BODY int DirectWord(std::uint16_t op) { return static_cast<int>(IoMap[FieldO(op)]) - 1; }

// A stack pointer that has left DataMemory would push the word outside the RAM: the store is
// dropped and the bad-address request raised, while the stack pointer still moves as for a
// real push.
template <typename Bus>
KV74_BODY void DirectStackStore(MachineState& m, std::uint16_t v) {
  const std::uint16_t sp = ++Sp(m);
  const unsigned i = static_cast<unsigned>(sp) - DATA_BASE;
  if (i < DATA_WORDS) {
    const std::uint16_t before = m.DataMemory[i];
    // One atomic word, as every RAM store, for the window thread reading RAM meanwhile.
    WordRef(m.DataMemory[i]).store(v, std::memory_order_relaxed);
    Bus::Noted(m, sp, before, v);
  } else {
    RaiseBadAddress(m);
  }
}

template <typename Bus>
KV74_BODY void Call(MachineState& m, std::uint16_t returnAddress, std::uint16_t target) {
  DirectStackStore<Bus>(m, returnAddress);
  Pc(m) = target;
}

template <typename Bus>
KV74_BODY void CallTable(MachineState& m) {
  Call<Bus>(m, static_cast<std::uint16_t>(Pc(m) + 1), m.ProgramMemory[FieldDD(m.opWord)]);
}

// The displacement counts from the jump itself: dd = 0 is a loop on the spot.
template <unsigned C>
KV74_BODY void JumpRel(MachineState& m) {
  if (TestCondition(m, C)) {
    Advance(m, static_cast<unsigned>(static_cast<std::int8_t>(FieldDD(m.opWord))));
  } else {
    Advance(m, 1);
  }
}

template <typename Bus>
KV74_BODY void JumpReg(MachineState& m) {
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
KV74_BODY void JumpAbs(MachineState& m) {
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
KV74_BODY void Return(MachineState& m) {
  Pc(m) = Bus::Read(m, Sp(m));
  --Sp(m);
}

KV74_BODY void ReadDirect(MachineState& m) {
  const int w = DirectWord(m.opWord);
  if (w < 0) {
    RaiseBadAddress(m);
  } else {
    if (w == reg::FLAGS) FlagsToWord(m);
    m[0] = m[w];
  }
  Advance(m, 1);
}

KV74_BODY void WriteDirect(MachineState& m) {
  const int w = DirectWord(m.opWord);
  if (w < 0) {
    RaiseBadAddress(m);
  } else {
    m[w] = m[0];
    if (w == reg::FLAGS) FlagsFromWord(m);
    if (w == reg::IMASK) LookAtNextStep(m);
  }
  Advance(m, 1);
}

// Reads through the bus; the register is written directly, without hook or notification.
template <typename Bus>
KV74_BODY void PopReg(MachineState& m) {
  const std::uint16_t v = Bus::Read(m, Sp(m));
  const int w = DirectWord(m.opWord);
  if (w < 0) {
    RaiseBadAddress(m);
  } else {
    --Sp(m);
    m[w] = v;
    if (w == reg::FLAGS) FlagsFromWord(m);
    if (w == reg::IMASK) LookAtNextStep(m);
  }
  Advance(m, 1);
}

// The register is read directly; the store goes through the bus and may notify.
template <typename Bus>
KV74_BODY void PushReg(MachineState& m) {
  const std::uint16_t sp = ++Sp(m);
  const int w = DirectWord(m.opWord);
  if (w < 0) {
    RaiseBadAddress(m);
  } else {
    if (w == reg::FLAGS) FlagsToWord(m);
    Bus::Write(m, sp, m[w]);
  }
  Advance(m, 1);
}

KV74_BODY void NoOperation(MachineState& m) { Advance(m, 1); }

}  // namespace kv74::exec
