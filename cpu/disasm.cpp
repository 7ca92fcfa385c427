#include "cpu/disasm.hpp"

#include <cstdio>

#include "cpu/decode.hpp"

namespace kv74 {
namespace {

std::string Hex(unsigned value, int digits) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%0*X", digits, value & 0xFFFFu);
  return buf;
}

std::string Reg(unsigned n) { return "R" + Hex(n, 1); }

std::string Pair(unsigned n) { return Reg(n) + "/" + Hex(n ^ 1u, 1); }

std::string Pad(std::string_view mnemonic) {
  std::string s(mnemonic);
  if (s.size() < kMnemonicColumn) s.resize(kMnemonicColumn, ' ');
  return s;
}

// "M[BASEX+...]" by BasedAddress mode m.
std::string BasexOperand(unsigned m, unsigned n, std::uint16_t ext) {
  switch (m) {
    case 0: return "M[BASEX+" + Reg(n) + "]";
    case 1: return "M[BASEX+" + Reg(n) + "++]";
    case 2: return "M[BASEX+" + Hex(ext, 4) + "]";
    case 3: return "M[BASEX+" + Reg(n) + "+" + Hex(ext, 4) + "]";
    default: return "M[BASEX+(--" + Reg(n) + ")]";
  }
}

// "M[...]" by IndirectAddress mode 1..3.
std::string IndirectOperand(unsigned im, unsigned n) {
  switch (im) {
    case 1: return "M[" + Reg(n) + "]";
    case 2: return "M[" + Reg(n) + "++]";
    default: return "M[--" + Reg(n) + "]";
  }
}

std::string ShortOperand(unsigned base, unsigned dd) {
  return "M[BASE" + Hex(base, 1) + "+" + Hex(dd, 2) + "]";
}

// Byte selector s: register byte on the left, source byte on the right.
char RegisterByte(unsigned s) { return s < 2 ? 'H' : 'L'; }
char SourceByte(unsigned s) { return (s == 0 || s == 3) ? 'H' : 'L'; }

std::string ByteReg(unsigned n, unsigned s) { return Reg(n) + RegisterByte(s); }

// Register operand x of the BASEX t-operations and byte forms: Rn when the mode takes its
// offset from ext (leaving the n field free), R0 otherwise.
unsigned BasexRegister(std::uint16_t w) { return FieldM(w) == 2 ? FieldN(w) : 0; }

std::string Direct(unsigned o) { return "[F" + Hex(o, 3) + "]"; }

std::string Text(std::uint16_t w, std::uint16_t ext, std::uint16_t address) {
  const unsigned d = FieldD(w), t = FieldT(w), s = FieldS(w), n = FieldN(w), m = FieldM(w);
  const unsigned dd = FieldDD(w), j = FieldJ(w), im = FieldIM(w), o = FieldO(w);
  const std::string binary = t < 7 ? Pad(kBinaryMnemonics[t]) : std::string();
  switch (Decode(w)) {
    case Op::LoadBase0: return Pad("MOV") + Reg(d) + "," + ShortOperand(0, dd);
    case Op::StoreBase0: return Pad("MOV") + ShortOperand(0, dd) + "," + Reg(d);
    case Op::LoadBase1: return Pad("MOV") + Reg(d) + "," + ShortOperand(1, dd);
    case Op::StoreBase1: return Pad("MOV") + ShortOperand(1, dd) + "," + Reg(d);
    case Op::AluToR0Short: return binary + "R0," + ShortOperand(FieldB8(w), dd);
    case Op::AluToMemShort: return binary + ShortOperand(FieldB8(w), dd) + ",R0";
    case Op::CallTable: return Pad("CALL") + "M[" + Hex(dd, 4) + "]";
    case Op::JumpRel: {
      const auto target = static_cast<std::uint16_t>(address + static_cast<std::int8_t>(dd));
      return Pad(kConditionMnemonics[d]) + Hex(target, 4);
    }
    case Op::MovRR: return Pad("MOV") + Reg(j) + "," + Reg(n);
    case Op::Mul: {
      return Pad("MUL") + Reg(j) + "," + Reg(n) + " -> " + Reg(j & 14u) + "," + Reg(j | 1u);
    }
    case Op::AluRR: return binary + Reg(j) + "," + Reg(n);
    case Op::MovbBasex:
      return Pad("MOVB") + ByteReg(BasexRegister(w), s) + "," + BasexOperand(m, n, ext) +
             SourceByte(s);
    case Op::CmpbBasex:
      return Pad("CMPB") + ByteReg(BasexRegister(w), s) + "," + BasexOperand(m, n, ext) +
             SourceByte(s);
    case Op::MovRegBasex: return Pad("MOV") + Reg(d) + "," + BasexOperand(m, n, ext);
    case Op::AluRegBasex: return binary + Reg(BasexRegister(w)) + "," + BasexOperand(m, n, ext);
    case Op::MovBasexReg: return Pad("MOV") + BasexOperand(m, n, ext) + "," + Reg(d);
    case Op::AluBasexReg: return binary + BasexOperand(m, n, ext) + "," + Reg(BasexRegister(w));
    case Op::MovbInd:
      return Pad("MOVB") + ByteReg(0, s) + "," + IndirectOperand(im, n) + SourceByte(s);
    case Op::MovbImm: return Pad("MOVB") + ByteReg(n, s) + ",#" + Hex(ext, 4) + SourceByte(s);
    case Op::CmpbInd:
      return Pad("CMPB") + ByteReg(0, s) + "," + IndirectOperand(im, n) + SourceByte(s);
    case Op::CmpbImm: return Pad("CMPB") + ByteReg(n, s) + ",#" + Hex(ext, 4) + SourceByte(s);
    case Op::AluInd: return binary + "R0," + IndirectOperand(im, n);
    case Op::AluImm: return binary + Reg(n) + ",#" + Hex(ext, 4);
    case Op::MovInd: return Pad("MOV") + Reg(d) + "," + IndirectOperand(im, n);
    case Op::MovImm: return Pad("MOV") + Reg(d) + ",#" + Hex(ext, 4);
    case Op::PairIntoR0R1: return Pad(kPairMnemonics[t]) + "R0/1," + Pair(n);
    case Op::ReadDirect: return Pad("MOV") + "R0," + Direct(o);
    case Op::PopReg: return Pad("MOV") + Direct(o) + ",[STACK]";
    case Op::JumpReg: return Pad(kConditionMnemonics[d]) + "[" + Reg(n) + "]";
    case Op::JumpAbs: return Pad(kConditionMnemonics[d]) + "[" + Hex(ext, 4) + "]";
    case Op::Return: return Pad("JMP") + "[STACK]";
    case Op::UnaryMem: return Pad(kUnaryMnemonics[t]) + BasexOperand(m, n, ext);
    case Op::UnaryReg: return Pad(kUnaryMnemonics[t]) + Reg(n);
    case Op::ShiftReg: return Pad(kShiftMnemonics[t]) + Reg(n);
    case Op::Sign: return Pad("SIGN") + Reg(n & 14u) + "," + Reg(n);
    case Op::PairIntoPair: return Pad(kPairMnemonics[t]) + Pair(n) + ",R0/1";
    case Op::WriteDirect: return Pad("MOV") + Direct(o) + ",R0";
    case Op::PushReg: return Pad("MOV") + "[STACK]," + Direct(o);
    case Op::Stop: return "STOP";
    case Op::Wait: return "WAIT";
    default: return WordDirective(w);
  }
}

}  // namespace

bool IsDefinedInstruction(std::uint16_t w) {
  switch (Decode(w)) {
    case Op::Invalid:
    case Op::AluToR0T7:
    case Op::AluToMemT7: return false;
    case Op::PairIntoR0R1:
    case Op::PairIntoPair: return !kPairMnemonics[FieldT(w)].empty();
    default: return true;
  }
}

std::uint16_t StandardEncoding(std::uint16_t w) {
  if (!IsDefinedInstruction(w)) return w;
  switch (Decode(w)) {
    case Op::AluRR: return w & ~0x0100u;   // bit 8 is not decoded
    case Op::MovImm: return w & ~0x000Fu;  // the n field is unused
    case Op::MovRegBasex:
    case Op::MovBasexReg:
    case Op::UnaryMem: return FieldM(w) == 2 ? (w & ~0x000Fu) : w;
    case Op::PairIntoPair: return FieldN(w) == 0 ? (w & ~0x1000u) : w;  // same text as 0xE...
    default: return w;
  }
}

std::string WordDirective(std::uint16_t word) { return Pad(".word") + "0x" + Hex(word, 4); }

Disassembly Disassemble(std::uint16_t word, std::uint16_t ext, std::uint16_t address) {
  if (!IsDefinedInstruction(word)) return {WordDirective(word), 1};
  std::string text = Text(word, ext, address);
  if (const unsigned variant = word ^ StandardEncoding(word)) text += " {" + Hex(variant, 4) + "}";
  return {std::move(text), InstructionLength(word)};
}

}  // namespace kv74
