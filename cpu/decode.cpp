#include "cpu/decode.hpp"

#include "cpu/bodies.hpp"

namespace kv74 {
namespace {

using Pred = bool (*)(std::uint16_t);

// Row conditions, named as the data sheet states them.
constexpr bool Any(std::uint16_t) { return true; }
template <std::uint16_t Mask, std::uint16_t Value>
constexpr bool Bits(std::uint16_t w) {
  return (w & Mask) == Value;
}
template <std::uint16_t Value>
constexpr bool Word(std::uint16_t w) {
  return w == Value;
}
constexpr bool T7(std::uint16_t w) { return FieldT(w) == 7; }
constexpr bool TNot7(std::uint16_t w) { return FieldT(w) != 7; }
template <unsigned V>
constexpr bool D(std::uint16_t w) {
  return FieldD(w) == V;
}
template <unsigned V>
constexpr bool DNot(std::uint16_t w) {
  return FieldD(w) != V;
}
constexpr bool MAtLeast5(std::uint16_t w) { return FieldM(w) >= 5; }
constexpr bool Indirect(std::uint16_t w) { return FieldIM(w) != 0; }  // bits 5..4 != 0
constexpr bool Immediate(std::uint16_t w) { return FieldIM(w) == 0; }
template <Pred P, Pred Q>
constexpr bool And(std::uint16_t w) {
  return P(w) && Q(w);
}

struct Row {
  unsigned group;
  Pred when;
  Op op;
};

// The opcode map. Within a group the first matching row wins; a word that matches no row is an
// invalid instruction.
constexpr Row kOpcodeMap[] = {
    {0x0, Any, Op::LoadBase0},
    {0x1, Any, Op::StoreBase0},
    {0x2, Any, Op::LoadBase1},
    {0x3, Any, Op::StoreBase1},
    {0x4, TNot7, Op::AluToR0Short},
    {0x4, T7, Op::AluToR0T7},
    {0x5, TNot7, Op::AluToMemShort},
    {0x5, T7, Op::AluToMemT7},
    {0x6, D<2>, Op::CallTable},
    {0x6, DNot<2>, Op::JumpRel},
    {0x7, D<0>, Op::MovRR},
    {0x7, D<1>, Op::Mul},
    {0x9, TNot7, Op::AluRR},
    {0xC, MAtLeast5, Op::Invalid},
    {0xC, Bits<0x0980, 0x0000>, Op::MovbBasex},
    {0xC, Bits<0x0980, 0x0800>, Op::CmpbBasex},
    {0xC, Bits<0x0080, 0x0080>, Op::MovRegBasex},
    {0xC, And<Bits<0x0180, 0x0100>, TNot7>, Op::AluRegBasex},
    {0xD, MAtLeast5, Op::Invalid},
    {0xD, Bits<0x0080, 0x0080>, Op::MovBasexReg},
    {0xD, And<Bits<0x0180, 0x0100>, TNot7>, Op::AluBasexReg},
    {0xE, And<Bits<0x09C0, 0x0000>, Indirect>, Op::MovbInd},
    {0xE, And<Bits<0x09C0, 0x0000>, Immediate>, Op::MovbImm},
    {0xE, And<Bits<0x09C0, 0x0800>, Indirect>, Op::CmpbInd},
    {0xE, And<Bits<0x09C0, 0x0800>, Immediate>, Op::CmpbImm},
    {0xE, And<Bits<0x01C0, 0x0100>, T7>, Op::Invalid},
    {0xE, And<Bits<0x01C0, 0x0100>, Indirect>, Op::AluInd},
    {0xE, And<Bits<0x01C0, 0x0100>, Immediate>, Op::AluImm},
    {0xE, And<Bits<0x00C0, 0x0080>, Indirect>, Op::MovInd},
    {0xE, And<Bits<0x00C0, 0x0080>, Immediate>, Op::MovImm},
    {0xE, Bits<0x01F0, 0x00C0>, Op::PairIntoR0R1},
    {0xE, Bits<0x0FC0, 0x01C0>, Op::ReadDirect},
    {0xE, Bits<0x0FC0, 0x03C0>, Op::PopReg},
    {0xE, Bits<0x00F0, 0x0040>, Op::JumpReg},
    {0xE, Bits<0x00FF, 0x0050>, Op::JumpAbs},
    {0xE, Bits<0x0FFF, 0x0370>, Op::Return},
    {0xF, And<Bits<0x0180, 0x0000>, MAtLeast5>, Op::Invalid},
    {0xF, Bits<0x0180, 0x0000>, Op::UnaryMem},
    {0xF, Bits<0x01F0, 0x0080>, Op::UnaryReg},
    {0xF, Bits<0x01F0, 0x0090>, Op::ShiftReg},
    {0xF, Bits<0x0FF0, 0x06B0>, Op::Sign},
    {0xF, Bits<0x01F0, 0x00C0>, Op::PairIntoPair},
    {0xF, Bits<0x0FC0, 0x01C0>, Op::WriteDirect},
    {0xF, Bits<0x0FC0, 0x03C0>, Op::PushReg},
    {0xF, Word<0xF9F4>, Op::Stop},
    {0xF, Word<0xFBF4>, Op::Wait},
};

constexpr std::size_t kRows = sizeof(kOpcodeMap) / sizeof(kOpcodeMap[0]);

// The first row of each group (the map lists the groups in order); kRows after the last.
constexpr std::array<std::size_t, 17> BuildGroupStarts() {
  std::array<std::size_t, 17> starts{};
  std::size_t row = 0;
  for (unsigned g = 0; g <= 16; ++g) {
    while (row < kRows && kOpcodeMap[row].group < g) ++row;
    starts[g] = row;
  }
  return starts;
}
constexpr std::array<std::size_t, 17> kGroupStarts = BuildGroupStarts();

constexpr Op DecodeByMap(std::uint16_t w) {
  const unsigned g = FieldG(w);
  for (std::size_t i = kGroupStarts[g]; i < kGroupStarts[g + 1]; ++i) {
    if (kOpcodeMap[i].when(w)) return kOpcodeMap[i].op;
  }
  return Op::Invalid;
}

constexpr std::array<Op, 65536> BuildDecodeTable() {
  std::array<Op, 65536> table{};
  for (unsigned w = 0; w < 65536; ++w) table[w] = DecodeByMap(static_cast<std::uint16_t>(w));
  return table;
}

constexpr std::array<Op, 65536> kDecodeTable = BuildDecodeTable();

constexpr std::array<std::uint8_t, 65536> BuildBodyNumbers() {
  std::array<std::uint8_t, 65536> table{};
  for (unsigned w = 0; w < 65536; ++w) {
    table[w] =
        static_cast<std::uint8_t>(BodyNumberOf(kDecodeTable[w], static_cast<std::uint16_t>(w)));
  }
  return table;
}

}  // namespace

// Built by the compiler: a run pays nothing for them at start-up.
constinit const std::array<Op, 65536> DecodeTable = kDecodeTable;
constinit const std::array<std::uint8_t, 65536> BodyNumbers = BuildBodyNumbers();

int InstructionLength(std::uint16_t w) {
  switch (Decode(w)) {
    case Op::MovbBasex:
    case Op::CmpbBasex:
    case Op::MovRegBasex:
    case Op::AluRegBasex:
    case Op::MovBasexReg:
    case Op::AluBasexReg:
    case Op::UnaryMem: return BasedModeUsesExt(FieldM(w)) ? 2 : 1;
    case Op::MovbImm:
    case Op::CmpbImm:
    case Op::AluImm:
    case Op::MovImm:
    case Op::JumpAbs: return 2;
    default: return 1;
  }
}

const char* OpName(Op op) {
  static constexpr const char* kNames[] = {
      "Invalid",     "LoadBase0",     "StoreBase0",   "LoadBase1",   "StoreBase1",   "AluToR0Short",
      "AluToR0T7",   "AluToMemShort", "AluToMemT7",   "CallTable",   "JumpRel",      "MovRR",
      "Mul",         "AluRR",         "MovbBasex",    "CmpbBasex",   "MovRegBasex",  "AluRegBasex",
      "MovBasexReg", "AluBasexReg",   "MovbInd",      "MovbImm",     "CmpbInd",      "CmpbImm",
      "AluInd",      "AluImm",        "MovInd",       "MovImm",      "PairIntoR0R1", "ReadDirect",
      "PopReg",      "JumpReg",       "JumpAbs",      "Return",      "UnaryMem",     "UnaryReg",
      "ShiftReg",    "Sign",          "PairIntoPair", "WriteDirect", "PushReg",      "Stop",
      "Wait"};
  static_assert(sizeof(kNames) / sizeof(kNames[0]) == static_cast<std::size_t>(Op::Count));
  return kNames[static_cast<std::size_t>(op)];
}

}  // namespace kv74
