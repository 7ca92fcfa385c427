#include "cpu/alu.hpp"

namespace kv74 {
namespace {

constexpr std::uint32_t kSign32 = 0x80000000u;

std::uint32_t ReadPair(const MachineState& m, unsigned high) {
  return (static_cast<std::uint32_t>(m.RegisterFile[high]) << 16) | m.RegisterFile[high + 1];
}

void WritePair(MachineState& m, unsigned high, std::uint32_t v) {
  m.RegisterFile[high] = static_cast<std::uint16_t>(v >> 16);
  m.RegisterFile[high + 1] = static_cast<std::uint16_t>(v);
}

std::uint16_t SignFlag(std::uint32_t x, std::uint16_t flagBit) {
  return (x & kSign32) ? flagBit : 0;
}

// P is the pair of n, Q is R0:R1; dest is the even register that receives MOV, ADD and SUB.
void PairOp(MachineState& m, unsigned t, unsigned n, unsigned dest, bool intoR0R1) {
  std::uint16_t& f = m[reg::FLAGS];
  f &= KEEP_NONE;
  const std::uint32_t p = ReadPair(m, n & 14);
  const std::uint32_t q = ReadPair(m, 0);
  switch (t) {
    case pair::MOV: {
      const std::uint32_t moved = intoR0R1 ? p : q;
      WritePair(m, dest, moved);
      f |= SignFlag(moved, flag::N) | (moved == 0 ? flag::Z : 0);
      return;
    }
    case pair::ADD: {
      const std::uint64_t sum = static_cast<std::uint64_t>(p) + q;
      const std::uint32_t low = static_cast<std::uint32_t>(sum);
      WritePair(m, dest, low);
      // Z looks at all 33 bits: a sum of exactly 2^32 stores 0 but is not zero.
      f |= SignFlag(low, flag::N) | (sum == 0 ? flag::Z : 0) |
           SignFlag(~(p ^ q) & (p ^ low), flag::V) | ((sum >> 32) ? flag::C : 0);
      return;
    }
    case pair::CMP:
    case pair::SUB: {
      const std::uint32_t d = p - q;
      if (t == pair::SUB) WritePair(m, dest, d);
      f |= SignFlag(d, flag::N) | (p == q ? flag::Z : 0) | SignFlag((p ^ q) & (p ^ d), flag::V) |
           (p < q ? flag::C : 0);
      return;
    }
    default:  // 3, 5, 6, 7: flags stay cleared
      RaiseRequest(m, fault::INVALID);
      return;
  }
}

}  // namespace

// The 32-bit results set N and Z in the flags word, from where they go to nzValue.
void PairOpIntoR0R1(MachineState& m, unsigned t, unsigned n) {
  PairOp(m, t, n, 0, true);
  FlagsFromWord(m);
}

void PairOpIntoPair(MachineState& m, unsigned t, unsigned n) {
  PairOp(m, t, n, n & 14, false);
  FlagsFromWord(m);
}

}  // namespace kv74
