// The bodies of the data movement and ALU instruction forms, inline so that a run loop can take
// them into its dispatch (board/step.cpp). Included by cpu/instructions.hpp.
#pragma once

#include "cpu/alu.hpp"
#include "cpu/bus.hpp"
#include "cpu/decode.hpp"
#include "cpu/machine.hpp"

namespace kv74::exec {

// Short BASE1 forms reach BASE1 + 0x8000 + dd.
inline constexpr std::uint16_t kBase1Offset = 0x8000;

KV74_BODY std::uint16_t& R(MachineState& m, unsigned n) { return m.RegisterFile[n]; }
KV74_BODY std::uint16_t& Pc(MachineState& m) { return m[reg::PC]; }
KV74_BODY void Advance(MachineState& m, unsigned words) {
  Pc(m) = static_cast<std::uint16_t>(Pc(m) + words);
}
KV74_BODY void RaiseInvalid(MachineState& m) { RaiseRequest(m, fault::INVALID); }
KV74_BODY bool BadAddressPending(const MachineState& m) {
  return m[reg::FAULTS] & fault::BAD_ADDRESS;
}

KV74_BODY std::uint16_t ShortBase0(const MachineState& m) {
  return static_cast<std::uint16_t>(m[reg::BASE0] + FieldDD(m.opWord));
}
KV74_BODY std::uint16_t ShortBase1(const MachineState& m) {
  return static_cast<std::uint16_t>(m[reg::BASE1] + kBase1Offset + FieldDD(m.opWord));
}
KV74_BODY std::uint16_t ShortAddress(const MachineState& m) {
  return FieldB8(m.opWord) ? ShortBase1(m) : ShortBase0(m);
}

// The register operand of the group 0xC/0xD ALU and byte forms: Rn in mode 2 (whose offset is
// extWord, leaving n free), R0 otherwise.
KV74_BODY unsigned BasexRegister(std::uint16_t op, unsigned mode) {
  return mode == 2 ? FieldN(op) : 0;
}
KV74_BODY unsigned BasexRegister(std::uint16_t op) { return BasexRegister(op, FieldM(op)); }

// Byte lanes of MOVB and CMPB by s: register byte, source byte (shift amounts).
struct ByteLanes {
  unsigned reg, src;
};
inline constexpr ByteLanes kLanes[4] = {{8, 8}, {8, 0}, {0, 0}, {0, 8}};

KV74_BODY std::uint16_t SourceByte(std::uint16_t v, unsigned s) {
  return (v >> kLanes[s].src) & 0xFF;
}
KV74_BODY std::uint16_t RegisterByte(std::uint16_t r, unsigned s) {
  return (r >> kLanes[s].reg) & 0xFF;
}

// Moves the chosen source byte into the chosen byte of register x; returns the moved byte.
KV74_BODY std::uint16_t MoveByte(MachineState& m, unsigned x, std::uint16_t v, unsigned s) {
  const std::uint16_t b = SourceByte(v, s);
  const unsigned shiftReg = kLanes[s].reg;
  R(m, x) = static_cast<std::uint16_t>((R(m, x) & ~(0xFFu << shiftReg)) | (b << shiftReg));
  return b;
}

// N and Z from a moved byte, C cleared, V kept.
KV74_BODY void SetByteFlags(MachineState& m, std::uint16_t b) {
  m[reg::FLAGS] &= KEEP_V;
  m.nzValue = static_cast<std::uint32_t>(b) << 8;  // N from bit 7 of the byte
}

KV74_BODY void CompareBytes(MachineState& m, std::uint16_t a, std::uint16_t b) {
  m[reg::FLAGS] = (m[reg::FLAGS] & KEEP_NONE) | (a < b ? flag::C : 0);
  m.nzValue = a ^ b;  // Z when equal, N never: both are bytes
}

template <typename Bus>
KV74_BODY void Load(MachineState& m, std::uint16_t a) {
  const std::uint16_t v = Bus::Read(m, a);
  R(m, FieldD(m.opWord)) = v;
  SetResultFlags(m, v);
  Advance(m, 1);
}

// Flags and PC follow the store: a store to the PC continues at the value + 1.
template <typename Bus>
KV74_BODY void Store(MachineState& m, std::uint16_t a) {
  const std::uint16_t v = R(m, FieldD(m.opWord));
  Bus::Write(m, a, v);
  SetResultFlags(m, v);
  Advance(m, 1);
}

KV74_BODY void Invalid(MachineState& m) { RaiseInvalid(m); }

template <typename Bus>
KV74_BODY void LoadBase0(MachineState& m) {
  Load<Bus>(m, ShortBase0(m));
}
template <typename Bus>
KV74_BODY void StoreBase0(MachineState& m) {
  Store<Bus>(m, ShortBase0(m));
}
template <typename Bus>
KV74_BODY void LoadBase1(MachineState& m) {
  Load<Bus>(m, ShortBase1(m));
}
template <typename Bus>
KV74_BODY void StoreBase1(MachineState& m) {
  Store<Bus>(m, ShortBase1(m));
}

template <typename Bus, unsigned T>
KV74_BODY void AluToR0Short(MachineState& m) {
  const std::uint16_t v = Bus::Read(m, ShortAddress(m));
  R(m, 0) = BinaryOp(m, T, R(m, 0), v);
  Advance(m, 1);
}

template <typename Bus, unsigned T>
KV74_BODY void AluToMemShort(MachineState& m) {
  const std::uint16_t a = ShortAddress(m);
  constexpr unsigned t = T;
  const std::uint16_t v = Bus::Read(m, a);
  const std::uint16_t r = BinaryOp(m, t, R(m, 0), v);
  Advance(m, 1);
  if (t != binary::CMP) Bus::Write(m, a, r);
}

template <typename Bus>
KV74_BODY void AluShortT7(MachineState& m) {
  Bus::Read(m, ShortAddress(m));  // the read and its side effects come before the fault
  RaiseInvalid(m);
}

KV74_BODY void MovRR(MachineState& m) {
  const std::uint16_t v = R(m, FieldN(m.opWord));
  R(m, FieldJ(m.opWord)) = v;
  SetResultFlags(m, v);
  Advance(m, 1);
}

KV74_BODY void Mul(MachineState& m) {
  const unsigned j = FieldJ(m.opWord);
  const std::uint32_t p = static_cast<std::uint32_t>(R(m, j)) * R(m, FieldN(m.opWord));
  R(m, j & 14) = static_cast<std::uint16_t>(p >> 16);
  R(m, j | 1) = static_cast<std::uint16_t>(p);
  m[reg::FLAGS] &= KEEP_V;
  m.nzValue = (p >> 16) | ((p & 0xFFFF) != 0 ? 1 : 0);  // N from bit 31, Z for a zero product
  Advance(m, 1);
}

template <unsigned T>
KV74_BODY void AluRR(MachineState& m) {
  constexpr unsigned t = T;
  const unsigned j = FieldJ(m.opWord);
  const std::uint16_t r = BinaryOp(m, t, R(m, j), R(m, FieldN(m.opWord)));
  Advance(m, 1);
  if (t != binary::CMP) R(m, j) = r;
}

template <typename Bus, unsigned M>
KV74_BODY void MovbBasex(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t v = Bus::Read(m, BasedAddress(m, FieldN(op), M));
  SetByteFlags(m, MoveByte(m, BasexRegister(op, M), v, FieldS(op)));
}

template <typename Bus, unsigned M>
KV74_BODY void CmpbBasex(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t v = Bus::Read(m, BasedAddress(m, FieldN(op), M));
  CompareBytes(m, RegisterByte(R(m, BasexRegister(op, M)), FieldS(op)), SourceByte(v, FieldS(op)));
}

template <typename Bus, unsigned M>
KV74_BODY void MovRegBasex(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t v = Bus::Read(m, BasedAddress(m, FieldN(op), M));
  R(m, FieldD(op)) = v;
  SetResultFlags(m, v);
}

template <typename Bus, unsigned T>
KV74_BODY void AluRegBasex(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const unsigned x = BasexRegister(op);
  const std::uint16_t v = Bus::Read(m, BasedAddress(m, FieldN(op)));
  R(m, x) = BinaryOp(m, T, R(m, x), v);
}

template <typename Bus, unsigned M>
KV74_BODY void MovBasexReg(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t a = BasedAddress(m, FieldN(op), M);
  const std::uint16_t v = R(m, FieldD(op));
  const bool faultedBefore = BadAddressPending(m);
  Bus::Write(m, a, v);
  if (faultedBefore || !BadAddressPending(m)) SetResultFlags(m, v);
}

template <typename Bus, unsigned T>
KV74_BODY void AluBasexReg(MachineState& m) {
  const std::uint16_t op = m.opWord;
  constexpr unsigned t = T;
  const unsigned x = BasexRegister(op);
  const std::uint16_t a = BasedAddress(m, FieldN(op));
  const std::uint16_t v = Bus::Read(m, a);
  const std::uint16_t r = BinaryOp(m, t, R(m, x), v);
  if (t != binary::CMP) Bus::Write(m, a, r);
  if (!BadAddressPending(m)) m[reg::FLAGS] &= static_cast<std::uint16_t>(~flag::C);
}

template <typename Bus, unsigned IM>
KV74_BODY void MovbInd(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t v = Bus::Read(m, IndirectAddress(m, FieldN(op), IM));
  SetByteFlags(m, MoveByte(m, 0, v, FieldS(op)));
}

// Unlike the memory forms, the flags look at the whole register.
KV74_BODY void MovbImm(MachineState& m) {
  const unsigned n = FieldN(m.opWord);
  MoveByte(m, n, m.extWord, FieldS(m.opWord));
  SetResultFlags(m, R(m, n));
  Advance(m, 2);
}

template <typename Bus, unsigned IM>
KV74_BODY void CmpbInd(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t v = Bus::Read(m, IndirectAddress(m, FieldN(op), IM));
  CompareBytes(m, RegisterByte(R(m, 0), FieldS(op)), SourceByte(v, FieldS(op)));
}

KV74_BODY void CmpbImm(MachineState& m) {
  const std::uint16_t op = m.opWord;
  CompareBytes(m, RegisterByte(R(m, FieldN(op)), FieldS(op)), SourceByte(m.extWord, FieldS(op)));
  Advance(m, 2);
}

template <typename Bus, unsigned T, unsigned IM>
KV74_BODY void AluInd(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t v = Bus::Read(m, IndirectAddress(m, FieldN(op), IM));
  R(m, 0) = BinaryOp(m, T, R(m, 0), v);
}

template <unsigned T>
KV74_BODY void AluImm(MachineState& m) {
  const unsigned n = FieldN(m.opWord);
  R(m, n) = BinaryOp(m, T, R(m, n), m.extWord);
  Advance(m, 2);
}

template <typename Bus, unsigned IM>
KV74_BODY void MovInd(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t v = Bus::Read(m, IndirectAddress(m, FieldN(op), IM));
  R(m, FieldD(op)) = v;
  SetResultFlags(m, v);
}

KV74_BODY void MovImm(MachineState& m) {
  const std::uint16_t v = m.extWord;
  R(m, FieldD(m.opWord)) = v;
  SetResultFlags(m, v);
  Advance(m, 2);
}

KV74_BODY void PairIntoR0R1(MachineState& m) {
  PairOpIntoR0R1(m, FieldT(m.opWord), FieldN(m.opWord));
  Advance(m, 1);  // also after an undefined selector
}

KV74_BODY void PairIntoPair(MachineState& m) {
  PairOpIntoPair(m, FieldT(m.opWord), FieldN(m.opWord));
  Advance(m, 1);
}

// The result is written back for every t, TEST included: both hooks of an I/O word run.
template <typename Bus, unsigned T>
KV74_BODY void UnaryMem(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t a = BasedAddress(m, FieldN(op));
  const std::uint16_t r = UnaryOp(m, T, Bus::Read(m, a));
  Bus::Write(m, a, r);
}

template <unsigned T>
KV74_BODY void UnaryReg(MachineState& m) {
  const unsigned n = FieldN(m.opWord);
  R(m, n) = UnaryOp(m, T, R(m, n));
  Advance(m, 1);
}

template <unsigned T>
KV74_BODY void ShiftReg(MachineState& m) {
  const unsigned n = FieldN(m.opWord);
  R(m, n) = ShiftOp(m, T, R(m, n));
  Advance(m, 1);
}

// Fills the even register of Rn's pair with Rn's sign; Z means "not negative".
KV74_BODY void Sign(MachineState& m) {
  const unsigned n = FieldN(m.opWord);
  const bool negative = R(m, n) & 0x8000;
  R(m, n & 14) = negative ? 0xFFFF : 0;
  m[reg::FLAGS] &= KEEP_V;
  m.nzValue = negative ? 0x8000 : 0;
  Advance(m, 1);
}

}  // namespace kv74::exec
