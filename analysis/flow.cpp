#include "analysis/flow.hpp"

#include "cpu/decode.hpp"

namespace kv74::ana {
namespace {

constexpr unsigned kCall = 2, kJump = 3;  // condition fields of CALL and JMP
constexpr unsigned kPcOffset = 0x13;      // direct register offset of the PC
constexpr std::uint16_t kIoBase = 0xF000;

}  // namespace

int Based(const Result& r, std::uint16_t offset) {
  const int base = offset & 0x8000 ? r.base1 : r.base0;
  return base < 0 ? -1 : (base + offset) & 0xFFFF;
}

Step StepAt(const Memory& m, std::uint16_t pc) {
  const std::uint16_t w = m.At(pc);
  Step s;
  s.length = InstructionLength(w);
  const unsigned d = FieldD(w);
  const auto transfer = [&](int target) {
    s.target = target;
    s.kind = d == kCall ? RefKind::Call : d == kJump ? RefKind::Jump : RefKind::Branch;
    s.falls = d != kJump;
  };
  switch (Decode(w)) {
    case Op::JumpRel: transfer((pc + static_cast<std::int8_t>(FieldDD(w))) & 0xFFFF); break;
    case Op::JumpAbs: transfer(m.At(pc + 1u)); break;
    case Op::CallTable:
      s.kind = RefKind::Call;
      if (m.Has(FieldDD(w))) s.target = m.At(FieldDD(w));
      break;
    case Op::JumpReg:
      s.indirect = true;
      s.falls = d != kJump;
      break;
    case Op::Return: s.falls = false; break;
    case Op::WriteDirect:
    case Op::PopReg: s.falls = FieldO(w) != kPcOffset; break;
    default: break;
  }
  return s;
}

std::vector<Access> AccessesOf(const Memory& m, const Result& r, std::uint16_t pc) {
  const std::uint16_t w = m.At(pc), ext = m.At(pc + 1u);
  std::vector<Access> out;
  const auto add = [&](int address, bool write) {
    if (address >= 0) out.push_back({static_cast<std::uint16_t>(address), write});
  };
  const auto baseOf = [&](unsigned b) { return b ? r.base1 : r.base0; };
  const auto shortCell = [&](unsigned b) {
    return baseOf(b) < 0 ? -1 : (baseOf(b) + static_cast<int>(FieldDD(w))) & 0xFFFF;
  };
  const auto basex = [&]() {
    const unsigned mode = FieldM(w);
    return mode == 2 || mode == 3 ? Based(r, ext) : -1;  // mode 3: the table's first word
  };
  switch (Decode(w)) {
    case Op::LoadBase0: add(shortCell(0), false); break;
    case Op::StoreBase0: add(shortCell(0), true); break;
    case Op::LoadBase1: add(shortCell(1), false); break;
    case Op::StoreBase1: add(shortCell(1), true); break;
    case Op::AluToR0Short: add(shortCell(FieldB8(w)), false); break;
    case Op::AluToMemShort: add(shortCell(FieldB8(w)), true); break;
    case Op::MovbBasex:
    case Op::CmpbBasex:
    case Op::MovRegBasex:
    case Op::AluRegBasex: add(basex(), false); break;
    case Op::MovBasexReg:
    case Op::AluBasexReg:
    case Op::UnaryMem: add(basex(), true); break;
    case Op::ReadDirect: add(kIoBase + FieldO(w), false); break;
    case Op::PushReg: add(kIoBase + FieldO(w), false); break;
    case Op::WriteDirect:
    case Op::PopReg: add(kIoBase + FieldO(w), true); break;
    case Op::MovInd:
    case Op::AluInd:
    case Op::MovbInd:
    case Op::CmpbInd: {
      if (FieldIM(w) != 1 || pc < 2 || !r.start[pc - 2u]) break;
      const std::uint16_t p = m.At(pc - 2u);
      if (Decode(p) == Op::MovImm && FieldD(p) == FieldN(w)) add(m.At(pc - 1u), false);
      break;
    }
    default: break;
  }
  return out;
}

}  // namespace kv74::ana
