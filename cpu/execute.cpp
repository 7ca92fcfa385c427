// Data movement and ALU instruction forms.
#include "cpu/alu.hpp"
#include "cpu/bus.hpp"
#include "cpu/decode.hpp"
#include "cpu/instructions.hpp"
#include "cpu/tap.hpp"

namespace kv74::exec {
namespace {

constexpr std::uint16_t kBase1Offset = 0x8000;  // short BASE1 forms reach BASE1 + 0x8000 + dd

std::uint16_t& R(MachineState& m, unsigned n) { return m.RegisterFile[n]; }
std::uint16_t& Pc(MachineState& m) { return m[reg::PC]; }
void Advance(MachineState& m, unsigned words) { Pc(m) = static_cast<std::uint16_t>(Pc(m) + words); }
void RaiseInvalid(MachineState& m) { m[reg::FAULTS] |= fault::INVALID; }
bool BadAddressPending(const MachineState& m) { return m[reg::FAULTS] & fault::BAD_ADDRESS; }

std::uint16_t ShortBase0(const MachineState& m) {
  return static_cast<std::uint16_t>(m[reg::BASE0] + FieldDD(m.opWord));
}
std::uint16_t ShortBase1(const MachineState& m) {
  return static_cast<std::uint16_t>(m[reg::BASE1] + kBase1Offset + FieldDD(m.opWord));
}
std::uint16_t ShortAddress(const MachineState& m) {
  return FieldB8(m.opWord) ? ShortBase1(m) : ShortBase0(m);
}

// The register operand of the group 0xC/0xD ALU and byte forms: Rn in mode 2 (whose offset is
// extWord, leaving n free), R0 otherwise.
unsigned BasexRegister(std::uint16_t op) { return FieldM(op) == 2 ? FieldN(op) : 0; }

// Byte lanes of MOVB and CMPB by s: register byte, source byte (shift amounts).
struct ByteLanes {
  unsigned reg, src;
};
constexpr ByteLanes kLanes[4] = {{8, 8}, {8, 0}, {0, 0}, {0, 8}};

std::uint16_t SourceByte(std::uint16_t v, unsigned s) { return (v >> kLanes[s].src) & 0xFF; }
std::uint16_t RegisterByte(std::uint16_t r, unsigned s) { return (r >> kLanes[s].reg) & 0xFF; }

// Moves the chosen source byte into the chosen byte of register x; returns the moved byte.
std::uint16_t MoveByte(MachineState& m, unsigned x, std::uint16_t v, unsigned s) {
  const std::uint16_t b = SourceByte(v, s);
  const unsigned shiftReg = kLanes[s].reg;
  R(m, x) = static_cast<std::uint16_t>((R(m, x) & ~(0xFFu << shiftReg)) | (b << shiftReg));
  return b;
}

// N and Z from a moved byte, C cleared, V kept.
void SetByteFlags(MachineState& m, std::uint16_t b) {
  m[reg::FLAGS] = (m[reg::FLAGS] & KEEP_V) | ((b & 0x80) ? flag::N : 0) | (b == 0 ? flag::Z : 0);
}

void CompareBytes(MachineState& m, std::uint16_t a, std::uint16_t b) {
  m[reg::FLAGS] = (m[reg::FLAGS] & KEEP_NONE) | (a < b ? flag::C : 0) | (a == b ? flag::Z : 0);
}

template <typename Bus>
void Load(MachineState& m, std::uint16_t a) {
  const std::uint16_t v = Bus::Read(m, a);
  R(m, FieldD(m.opWord)) = v;
  SetResultFlags(m, v);
  Advance(m, 1);
}

// Flags and PC follow the store: a store to the PC continues at the value + 1.
template <typename Bus>
void Store(MachineState& m, std::uint16_t a) {
  const std::uint16_t v = R(m, FieldD(m.opWord));
  Bus::Write(m, a, v);
  SetResultFlags(m, v);
  Advance(m, 1);
}

}  // namespace

void Invalid(MachineState& m) { RaiseInvalid(m); }

template <typename Bus>
void LoadBase0(MachineState& m) {
  Load<Bus>(m, ShortBase0(m));
}
template <typename Bus>
void StoreBase0(MachineState& m) {
  Store<Bus>(m, ShortBase0(m));
}
template <typename Bus>
void LoadBase1(MachineState& m) {
  Load<Bus>(m, ShortBase1(m));
}
template <typename Bus>
void StoreBase1(MachineState& m) {
  Store<Bus>(m, ShortBase1(m));
}

template <typename Bus, unsigned T>
void AluToR0Short(MachineState& m) {
  const std::uint16_t v = Bus::Read(m, ShortAddress(m));
  R(m, 0) = BinaryOp(m, T, R(m, 0), v);
  Advance(m, 1);
}

template <typename Bus, unsigned T>
void AluToMemShort(MachineState& m) {
  const std::uint16_t a = ShortAddress(m);
  constexpr unsigned t = T;
  const std::uint16_t v = Bus::Read(m, a);
  const std::uint16_t r = BinaryOp(m, t, R(m, 0), v);
  Advance(m, 1);
  if (t != binary::CMP) Bus::Write(m, a, r);
}

template <typename Bus>
void AluShortT7(MachineState& m) {
  Bus::Read(m, ShortAddress(m));  // the read and its side effects come before the fault
  RaiseInvalid(m);
}

void MovRR(MachineState& m) {
  const std::uint16_t v = R(m, FieldN(m.opWord));
  R(m, FieldJ(m.opWord)) = v;
  SetResultFlags(m, v);
  Advance(m, 1);
}

void Mul(MachineState& m) {
  const unsigned j = FieldJ(m.opWord);
  const std::uint32_t p = static_cast<std::uint32_t>(R(m, j)) * R(m, FieldN(m.opWord));
  R(m, j & 14) = static_cast<std::uint16_t>(p >> 16);
  R(m, j | 1) = static_cast<std::uint16_t>(p);
  m[reg::FLAGS] = (m[reg::FLAGS] & KEEP_V) | ((p >> 31) ? flag::N : 0) | (p == 0 ? flag::Z : 0);
  Advance(m, 1);
}

template <unsigned T>
void AluRR(MachineState& m) {
  constexpr unsigned t = T;
  const unsigned j = FieldJ(m.opWord);
  const std::uint16_t r = BinaryOp(m, t, R(m, j), R(m, FieldN(m.opWord)));
  Advance(m, 1);
  if (t != binary::CMP) R(m, j) = r;
}

template <typename Bus>
void MovbBasex(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t v = Bus::Read(m, BasedAddress(m, FieldN(op)));
  SetByteFlags(m, MoveByte(m, BasexRegister(op), v, FieldS(op)));
}

template <typename Bus>
void CmpbBasex(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t v = Bus::Read(m, BasedAddress(m, FieldN(op)));
  CompareBytes(m, RegisterByte(R(m, BasexRegister(op)), FieldS(op)), SourceByte(v, FieldS(op)));
}

template <typename Bus>
void MovRegBasex(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t v = Bus::Read(m, BasedAddress(m, FieldN(op)));
  R(m, FieldD(op)) = v;
  SetResultFlags(m, v);
}

template <typename Bus, unsigned T>
void AluRegBasex(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const unsigned x = BasexRegister(op);
  const std::uint16_t v = Bus::Read(m, BasedAddress(m, FieldN(op)));
  R(m, x) = BinaryOp(m, T, R(m, x), v);
}

template <typename Bus>
void MovBasexReg(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t a = BasedAddress(m, FieldN(op));
  const std::uint16_t v = R(m, FieldD(op));
  const bool faultedBefore = BadAddressPending(m);
  Bus::Write(m, a, v);
  if (faultedBefore || !BadAddressPending(m)) SetResultFlags(m, v);
}

template <typename Bus, unsigned T>
void AluBasexReg(MachineState& m) {
  const std::uint16_t op = m.opWord;
  constexpr unsigned t = T;
  const unsigned x = BasexRegister(op);
  const std::uint16_t a = BasedAddress(m, FieldN(op));
  const std::uint16_t v = Bus::Read(m, a);
  const std::uint16_t r = BinaryOp(m, t, R(m, x), v);
  if (t != binary::CMP) Bus::Write(m, a, r);
  if (!BadAddressPending(m)) m[reg::FLAGS] &= static_cast<std::uint16_t>(~flag::C);
}

template <typename Bus>
void MovbInd(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t v = Bus::Read(m, IndirectAddress(m, FieldN(op)));
  SetByteFlags(m, MoveByte(m, 0, v, FieldS(op)));
}

// Unlike the memory forms, the flags look at the whole register.
void MovbImm(MachineState& m) {
  const unsigned n = FieldN(m.opWord);
  MoveByte(m, n, m.extWord, FieldS(m.opWord));
  SetResultFlags(m, R(m, n));
  Advance(m, 2);
}

template <typename Bus>
void CmpbInd(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t v = Bus::Read(m, IndirectAddress(m, FieldN(op)));
  CompareBytes(m, RegisterByte(R(m, 0), FieldS(op)), SourceByte(v, FieldS(op)));
}

void CmpbImm(MachineState& m) {
  const std::uint16_t op = m.opWord;
  CompareBytes(m, RegisterByte(R(m, FieldN(op)), FieldS(op)), SourceByte(m.extWord, FieldS(op)));
  Advance(m, 2);
}

template <typename Bus, unsigned T>
void AluInd(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t v = Bus::Read(m, IndirectAddress(m, FieldN(op)));
  R(m, 0) = BinaryOp(m, T, R(m, 0), v);
}

template <unsigned T>
void AluImm(MachineState& m) {
  const unsigned n = FieldN(m.opWord);
  R(m, n) = BinaryOp(m, T, R(m, n), m.extWord);
  Advance(m, 2);
}

template <typename Bus>
void MovInd(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t v = Bus::Read(m, IndirectAddress(m, FieldN(op)));
  R(m, FieldD(op)) = v;
  SetResultFlags(m, v);
}

void MovImm(MachineState& m) {
  const std::uint16_t v = m.extWord;
  R(m, FieldD(m.opWord)) = v;
  SetResultFlags(m, v);
  Advance(m, 2);
}

void PairIntoR0R1(MachineState& m) {
  PairOpIntoR0R1(m, FieldT(m.opWord), FieldN(m.opWord));
  Advance(m, 1);  // also after an undefined selector
}

void PairIntoPair(MachineState& m) {
  PairOpIntoPair(m, FieldT(m.opWord), FieldN(m.opWord));
  Advance(m, 1);
}

// The result is written back for every t, TEST included: both hooks of an I/O word run.
template <typename Bus, unsigned T>
void UnaryMem(MachineState& m) {
  const std::uint16_t op = m.opWord;
  const std::uint16_t a = BasedAddress(m, FieldN(op));
  const std::uint16_t r = UnaryOp(m, T, Bus::Read(m, a));
  Bus::Write(m, a, r);
}

template <unsigned T>
void UnaryReg(MachineState& m) {
  const unsigned n = FieldN(m.opWord);
  R(m, n) = UnaryOp(m, T, R(m, n));
  Advance(m, 1);
}

template <unsigned T>
void ShiftReg(MachineState& m) {
  const unsigned n = FieldN(m.opWord);
  R(m, n) = ShiftOp(m, T, R(m, n));
  Advance(m, 1);
}

// Fills the even register of Rn's pair with Rn's sign; Z means "not negative".
void Sign(MachineState& m) {
  const unsigned n = FieldN(m.opWord);
  const bool negative = R(m, n) & 0x8000;
  R(m, n & 14) = negative ? 0xFFFF : 0;
  m[reg::FLAGS] = (m[reg::FLAGS] & KEEP_V) | (negative ? flag::N : flag::Z);
  Advance(m, 1);
}

// The forms that reach memory, for both buses; those with a selector once per selector value.
#define KV74_SELECTOR_FORMS(Bus, T)                   \
  template void AluToR0Short<Bus, T>(MachineState&);  \
  template void AluToMemShort<Bus, T>(MachineState&); \
  template void AluRegBasex<Bus, T>(MachineState&);   \
  template void AluBasexReg<Bus, T>(MachineState&);   \
  template void AluInd<Bus, T>(MachineState&);        \
  template void UnaryMem<Bus, T>(MachineState&);
#define KV74_DATA_FORMS(Bus)                     \
  template void LoadBase0<Bus>(MachineState&);   \
  template void StoreBase0<Bus>(MachineState&);  \
  template void LoadBase1<Bus>(MachineState&);   \
  template void StoreBase1<Bus>(MachineState&);  \
  template void AluShortT7<Bus>(MachineState&);  \
  template void MovbBasex<Bus>(MachineState&);   \
  template void CmpbBasex<Bus>(MachineState&);   \
  template void MovRegBasex<Bus>(MachineState&); \
  template void MovBasexReg<Bus>(MachineState&); \
  template void MovbInd<Bus>(MachineState&);     \
  template void CmpbInd<Bus>(MachineState&);     \
  template void MovInd<Bus>(MachineState&);      \
  KV74_SELECTOR_FORMS(Bus, 0)                    \
  KV74_SELECTOR_FORMS(Bus, 1)                    \
  KV74_SELECTOR_FORMS(Bus, 2)                    \
  KV74_SELECTOR_FORMS(Bus, 3)                    \
  KV74_SELECTOR_FORMS(Bus, 4)                    \
  KV74_SELECTOR_FORMS(Bus, 5)                    \
  KV74_SELECTOR_FORMS(Bus, 6)                    \
  KV74_SELECTOR_FORMS(Bus, 7)
KV74_DATA_FORMS(PlainBus)
KV74_DATA_FORMS(TappedBus)
#undef KV74_DATA_FORMS
#undef KV74_SELECTOR_FORMS

#define KV74_REGISTER_FORMS(T)              \
  template void AluRR<T>(MachineState&);    \
  template void AluImm<T>(MachineState&);   \
  template void UnaryReg<T>(MachineState&); \
  template void ShiftReg<T>(MachineState&);
KV74_REGISTER_FORMS(0)
KV74_REGISTER_FORMS(1)
KV74_REGISTER_FORMS(2)
KV74_REGISTER_FORMS(3)
KV74_REGISTER_FORMS(4)
KV74_REGISTER_FORMS(5)
KV74_REGISTER_FORMS(6)
KV74_REGISTER_FORMS(7)
#undef KV74_REGISTER_FORMS

}  // namespace kv74::exec
