// Bodies of the inline ALU operations declared in alu.hpp.
#pragma once

#include "cpu/decode.hpp"

namespace kv74 {
namespace alu_detail {

constexpr std::uint16_t N = flag::N, Z = flag::Z, V = flag::V, C = flag::C;

// Bit 12 set when the sign bit (bit 15) of x is set: moves a sign-bit test into the C or V place.
constexpr std::uint16_t SignTo(std::uint16_t x, std::uint16_t flagBit) {
  return (x & 0x8000) ? flagBit : 0;
}

// Whether condition c holds for the flags n z v cy.
constexpr bool ConditionHolds(unsigned c, bool n, bool z, bool v, bool cy) {
  switch (c & 15) {
    case 0: return !v;             // JNO
    case 1: return v;              // JO
    case 2: return true;           // CALL
    case 3: return true;           // JMP
    case 4: return !z;             // JNZ
    case 5: return z;              // JZ
    case 6: return n == v;         // JGE
    case 7: return z || n != v;    // JLE
    case 8: return !cy;            // JNC
    case 9: return cy;             // JC
    case 10: return !cy && !z;     // JA
    case 11: return cy || z;       // JBE
    case 12: return !n;            // JNS
    case 13: return n;             // JS
    case 14: return !z && n == v;  // JG
    default: return n != v;        // JL
  }
}

// nzValue of N and Z.
constexpr std::uint32_t NzOf(bool n, bool z) { return n ? (z ? 0x10000 : 0x8000) : (z ? 0 : 1); }
constexpr bool NOf(std::uint32_t nz) { return (nz & 0x18000) != 0; }
constexpr bool ZOf(std::uint32_t nz) { return (nz & 0xFFFF) == 0; }

inline std::uint16_t& Flags(MachineState& m) { return m[reg::FLAGS]; }
inline std::uint16_t& Reg(MachineState& m, unsigned n) { return m.RegisterFile[n]; }

}  // namespace alu_detail

inline void EnterFlags(MachineState& m) {
  using namespace alu_detail;
  m.nzValue = NzOf(Flags(m) & N, Flags(m) & Z);
}

inline void FlagsToWord(MachineState& m) {
  using namespace alu_detail;
  if (m.nzValue == NZ_IN_WORD) return;
  Flags(m) = (Flags(m) & ~(N | Z)) | (NOf(m.nzValue) ? N : 0) | (ZOf(m.nzValue) ? Z : 0);
}

inline void LeaveFlags(MachineState& m) {
  FlagsToWord(m);
  m.nzValue = NZ_IN_WORD;
}

inline void FlagsFromWord(MachineState& m) {
  if (m.nzValue != NZ_IN_WORD) EnterFlags(m);
}

[[gnu::always_inline]] inline void SetResultFlags(MachineState& m, std::uint16_t v) {
  using namespace alu_detail;
  Flags(m) &= KEEP_V;
  m.nzValue = v;
}

[[gnu::always_inline]] inline std::uint16_t BasedAddress(MachineState& m, unsigned n,
                                                         unsigned mode) {
  using namespace alu_detail;
  std::uint16_t& pc = m[reg::PC];
  std::uint16_t& rn = Reg(m, n);
  ++pc;
  std::uint16_t o;
  switch (mode) {
    case 0: o = rn; break;
    case 1: o = ++rn; break;  // pre-increment
    case 2:
      o = m.extWord;
      ++pc;
      break;
    case 3:
      o = static_cast<std::uint16_t>(rn + m.extWord);
      ++pc;
      break;
    default:  // 4: post-decrement
      o = rn--;
      break;
  }
  const std::uint16_t base = (o & 0x8000) ? m[reg::BASE1] : m[reg::BASE0];
  return static_cast<std::uint16_t>(base + o);
}

[[gnu::always_inline]] inline std::uint16_t BasedAddress(MachineState& m, unsigned n) {
  return BasedAddress(m, n, FieldM(m.opWord));
}

[[gnu::always_inline]] inline std::uint16_t IndirectAddress(MachineState& m, unsigned n,
                                                            unsigned mode) {
  std::uint16_t& rn = alu_detail::Reg(m, n);
  ++m[reg::PC];
  switch (mode) {
    case 2: return ++rn;  // pre-increment
    case 3: return rn--;  // post-decrement
    default: return rn;
  }
}

[[gnu::always_inline]] inline std::uint16_t IndirectAddress(MachineState& m, unsigned n) {
  return IndirectAddress(m, n, FieldIM(m.opWord));
}

[[gnu::always_inline]] inline bool TestCondition(const MachineState& m, unsigned c) {
  using namespace alu_detail;
  const std::uint16_t f = m[reg::FLAGS];
  return ConditionHolds(c, NOf(m.nzValue), ZOf(m.nzValue), f & V, f & C);
}

[[gnu::always_inline]] inline std::uint16_t UnaryOp(MachineState& m, unsigned t, std::uint16_t a) {
  using namespace alu_detail;
  std::uint16_t& f = Flags(m);
  const std::uint16_t oldC = (f & C) ? 1 : 0;
  std::uint16_t r;
  switch (t & 7) {  // N and Z from the result for every t
    case unary::DEC:
      r = static_cast<std::uint16_t>(a - 1);
      f &= KEEP_C;
      break;
    case unary::ZERO:
      r = 0;
      f &= KEEP_NONE;
      break;
    case unary::SUBC:
      r = static_cast<std::uint16_t>(a - oldC);
      f &= KEEP_NONE;
      break;
    case unary::ADDC:
      r = static_cast<std::uint16_t>(a + oldC);
      f &= KEEP_NONE;
      break;
    case unary::INC:
      r = static_cast<std::uint16_t>(a + 1);
      f &= KEEP_C;
      break;
    case unary::INV:
      r = static_cast<std::uint16_t>(~a);
      f = (f & KEEP_NONE) | C;
      break;
    case unary::CPL:
      r = static_cast<std::uint16_t>(-a);
      f = (f & KEEP_NONE) | (r != 0 ? C : 0);
      break;
    default:  // TEST
      r = a;
      f &= KEEP_NONE;
      break;
  }
  m.nzValue = r;
  return r;
}

[[gnu::always_inline]] inline std::uint16_t ShiftOp(MachineState& m, unsigned t, std::uint16_t a) {
  using namespace alu_detail;
  std::uint16_t& f = Flags(m);
  f &= KEEP_C;
  const unsigned oldC = (f & C) ? 1 : 0;
  const unsigned low = a & 1u, high = a >> 15;
  unsigned r;
  switch (t & 7) {
    case shift::SRL: r = a >> 1; break;
    case shift::SRC: r = (a >> 1) | (low << 15); break;
    case shift::SRA: r = (a >> 1) | (a & 0x8000u); break;
    case shift::SRR: r = (a >> 1) | (oldC << 15); break;
    case shift::SLL: r = a << 1; break;
    case shift::SLC: r = (a << 1) | high; break;
    case shift::SLA: r = (a << 1) | (a & 0x8000u); break;
    default: r = (a << 1) | oldC; break;  // SLR
  }
  const std::uint16_t result = static_cast<std::uint16_t>(r);
  if ((t & 7) == shift::SLA) {
    f |= V;  // C keeps its value: the shifted-out bit is lost
  } else if ((t & 7) < shift::SLL) {
    f = (f & ~C) | (low ? C : 0);
  } else {
    f = (f & ~C) | (high ? C : 0) | SignTo(result ^ a, V);
  }
  m.nzValue = result;
  return result;
}

[[gnu::always_inline]] inline std::uint16_t BinaryOp(MachineState& m, unsigned t, std::uint16_t a,
                                                     std::uint16_t b) {
  using namespace alu_detail;
  std::uint16_t& f = Flags(m);
  f &= KEEP_NONE;
  std::uint16_t r;
  switch (t) {           // N and Z from the result, or for CMP from b - a
    case binary::BUS: {  // a - b
      std::int16_t signedDifference;
      const bool overflow = __builtin_sub_overflow(static_cast<std::int16_t>(a),
                                                   static_cast<std::int16_t>(b), &signedDifference);
      const bool borrow = __builtin_sub_overflow(a, b, &r);
      f |= (overflow ? V : 0) | (borrow ? C : 0);
      break;
    }
    case binary::ADD: {
      std::int16_t signedSum;
      const bool overflow = __builtin_add_overflow(static_cast<std::int16_t>(a),
                                                   static_cast<std::int16_t>(b), &signedSum);
      const bool carry = __builtin_add_overflow(a, b, &r);
      f |= (overflow ? V : 0) | (carry ? C : 0);
      break;
    }
    case binary::CMP:  // V stays 0
      f |= (b < a ? C : 0);
      m.nzValue = static_cast<std::uint16_t>(b - a);
      return a;
    case binary::XOR: r = a ^ b; break;
    case binary::SUB: {  // b - a
      std::int16_t signedDifference;
      const bool overflow = __builtin_sub_overflow(static_cast<std::int16_t>(b),
                                                   static_cast<std::int16_t>(a), &signedDifference);
      const bool borrow = __builtin_sub_overflow(b, a, &r);
      f |= (overflow ? V : 0) | (borrow ? C : 0);
      break;
    }
    case binary::OR: r = a | b; break;
    case binary::AND: r = a & b; break;
    default:  // selector 7 is never passed: the executor reports it first
      m.nzValue = NzOf(false, false);
      return a;
  }
  m.nzValue = r;
  return r;
}

}  // namespace kv74
