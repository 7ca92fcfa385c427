// Bodies of the inline ALU operations declared in alu.hpp.
#pragma once

#include <array>

#include "cpu/decode.hpp"

namespace kv74 {
namespace alu_detail {

constexpr std::uint16_t N = flag::N, Z = flag::Z, V = flag::V, C = flag::C;

// N and Z of a 16-bit result.
constexpr std::uint16_t NZ(std::uint16_t r) { return (r & 0x8000) | (r == 0 ? Z : 0); }

// Bit 12 set when the sign bit (bit 15) of x is set: moves a sign-bit test into the C or V place.
constexpr std::uint16_t SignTo(std::uint16_t x, std::uint16_t flagBit) {
  return (x & 0x8000) ? flagBit : 0;
}

// For each condition code, one bit per combination of the flags N Z V C (bits 3..0).
constexpr std::array<std::uint16_t, 16> BuildConditions() {
  std::array<std::uint16_t, 16> table{};
  for (unsigned c = 0; c < 16; ++c) {
    for (unsigned f = 0; f < 16; ++f) {
      const bool n = f & 8, z = f & 4, v = f & 2, cy = f & 1;
      bool holds = false;
      switch (c) {
        case 0: holds = !v; break;             // JNO
        case 1: holds = v; break;              // JO
        case 2: holds = true; break;           // CALL
        case 3: holds = true; break;           // JMP
        case 4: holds = !z; break;             // JNZ
        case 5: holds = z; break;              // JZ
        case 6: holds = n == v; break;         // JGE
        case 7: holds = z || n != v; break;    // JLE
        case 8: holds = !cy; break;            // JNC
        case 9: holds = cy; break;             // JC
        case 10: holds = !cy && !z; break;     // JA
        case 11: holds = cy || z; break;       // JBE
        case 12: holds = !n; break;            // JNS
        case 13: holds = n; break;             // JS
        case 14: holds = !z && n == v; break;  // JG
        case 15: holds = n != v; break;        // JL
      }
      if (holds) table[c] |= static_cast<std::uint16_t>(1u << f);
    }
  }
  return table;
}
inline constexpr std::array<std::uint16_t, 16> kConditions = BuildConditions();

inline std::uint16_t& Flags(MachineState& m) { return m[reg::FLAGS]; }
inline std::uint16_t& Reg(MachineState& m, unsigned n) { return m.RegisterFile[n]; }

}  // namespace alu_detail

[[gnu::always_inline]] inline void SetResultFlags(MachineState& m, std::uint16_t v) {
  using namespace alu_detail;
  Flags(m) = (Flags(m) & KEEP_V) | NZ(v);
}

[[gnu::always_inline]] inline std::uint16_t BasedAddress(MachineState& m, unsigned n) {
  using namespace alu_detail;
  std::uint16_t& pc = m[reg::PC];
  std::uint16_t& rn = Reg(m, n);
  ++pc;
  std::uint16_t o;
  switch (FieldM(m.opWord)) {
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

[[gnu::always_inline]] inline std::uint16_t IndirectAddress(MachineState& m, unsigned n) {
  std::uint16_t& rn = alu_detail::Reg(m, n);
  ++m[reg::PC];
  switch (FieldIM(m.opWord)) {
    case 2: return ++rn;  // pre-increment
    case 3: return rn--;  // post-decrement
    default: return rn;
  }
}

[[gnu::always_inline]] inline bool TestCondition(const MachineState& m, unsigned c) {
  return (alu_detail::kConditions[c & 15] >> (m[reg::FLAGS] >> 12)) & 1;
}

[[gnu::always_inline]] inline std::uint16_t UnaryOp(MachineState& m, unsigned t, std::uint16_t a) {
  using namespace alu_detail;
  std::uint16_t& f = Flags(m);
  const std::uint16_t oldC = (f & C) ? 1 : 0;
  std::uint16_t r;
  switch (t & 7) {
    case unary::DEC:
      r = static_cast<std::uint16_t>(a - 1);
      f = (f & KEEP_C) | NZ(r);
      break;
    case unary::ZERO:
      r = 0;
      f = (f & KEEP_NONE) | Z;
      break;
    case unary::SUBC:
      r = static_cast<std::uint16_t>(a - oldC);
      f = (f & KEEP_NONE) | NZ(r);
      break;
    case unary::ADDC:
      r = static_cast<std::uint16_t>(a + oldC);
      f = (f & KEEP_NONE) | NZ(r);
      break;
    case unary::INC:
      r = static_cast<std::uint16_t>(a + 1);
      f = (f & KEEP_C) | NZ(r);
      break;
    case unary::INV:
      r = static_cast<std::uint16_t>(~a);
      f = (f & KEEP_NONE) | NZ(r) | C;
      break;
    case unary::CPL:
      r = static_cast<std::uint16_t>(-a);
      f = (f & KEEP_NONE) | NZ(r) | (r != 0 ? C : 0);
      break;
    default:  // TEST
      r = a;
      f = (f & KEEP_NONE) | NZ(r);
      break;
  }
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
  f |= NZ(result);
  return result;
}

[[gnu::always_inline]] inline std::uint16_t BinaryOp(MachineState& m, unsigned t, std::uint16_t a,
                                                     std::uint16_t b) {
  using namespace alu_detail;
  std::uint16_t& f = Flags(m);
  f &= KEEP_NONE;
  std::uint16_t r;
  switch (t) {
    case binary::BUS:
      r = static_cast<std::uint16_t>(a - b);
      f |= NZ(r) | SignTo((a ^ b) & (a ^ r), V) | (a < b ? C : 0);
      return r;
    case binary::ADD: {
      const unsigned sum = static_cast<unsigned>(a) + b;
      r = static_cast<std::uint16_t>(sum);
      f |= NZ(r) | SignTo(~(a ^ b) & (a ^ r), V) | ((sum >> 16) ? C : 0);
      return r;
    }
    case binary::CMP:  // V stays 0
      f |= (static_cast<std::uint16_t>(b - a) & 0x8000) | (a == b ? Z : 0) | (b < a ? C : 0);
      return a;
    case binary::XOR: r = a ^ b; break;
    case binary::SUB:
      r = static_cast<std::uint16_t>(b - a);
      f |= NZ(r) | SignTo((a ^ b) & (b ^ r), V) | (b < a ? C : 0);
      return r;
    case binary::OR: r = a | b; break;
    case binary::AND: r = a & b; break;
    default: return a;  // selector 7 is never passed: the executor reports it first
  }
  f |= NZ(r);
  return r;
}

}  // namespace kv74
