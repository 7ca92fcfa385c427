// The ALU: flag rules, the two operand addressing families, the jump conditions and the
// one-operand, shift, two-operand and 32-bit pair operations. Only the addressing operations
// move the PC; none touches memory. The short operations are inline (alu_inl.hpp) because every
// step runs some of them.
#pragma once

#include <cstdint>

#include "cpu/machine.hpp"

namespace kv74 {

// Each operation first keeps the flags word bits that are 1 in one of these masks.
inline constexpr std::uint16_t KEEP_V = 0x2FFF;     // clears N Z C: moves
inline constexpr std::uint16_t KEEP_C = 0x1FFF;     // clears N Z V: DEC, INC, shifts
inline constexpr std::uint16_t KEEP_NONE = 0x0FFF;  // clears N Z V C: everything else

// Selectors of UnaryOp, ShiftOp, BinaryOp and the pair operations.
namespace unary {
enum : unsigned { DEC, ZERO, SUBC, ADDC, INC, INV, CPL, TEST };
}
namespace shift {
enum : unsigned { SRL, SRC, SRA, SRR, SLL, SLC, SLA, SLR };
}
namespace binary {
enum : unsigned { BUS, ADD, CMP, XOR, SUB, OR, AND };
}
namespace pair {
enum : unsigned { MOV = 0, ADD = 1, CMP = 2, SUB = 4 };
}

// N and Z apart from the flags word (MachineState::nzValue). A run loop calls EnterFlags when it
// starts and LeaveFlags when it ends; in between, FlagsToWord before anything reads the flags word
// and FlagsFromWord after anything writes it. Outside the loops the last two do nothing.
inline void EnterFlags(MachineState& m);
inline void LeaveFlags(MachineState& m);
inline void FlagsToWord(MachineState& m);
inline void FlagsFromWord(MachineState& m);

// N and Z from v, C cleared, V kept.
inline void SetResultFlags(MachineState& m, std::uint16_t v);

// Effective address of a BASEX operand, mode from opWord bits 6..4 (0..4). Advances the PC by 1,
// or 2 when the mode takes extWord; may step Rn. BASE1 serves offsets with bit 15 set.
inline std::uint16_t BasedAddress(MachineState& m, unsigned n);
inline std::uint16_t BasedAddress(MachineState& m, unsigned n, unsigned mode);  // mode given

// Effective address of a register-indirect operand, mode from opWord bits 5..4 (1..3). Advances
// the PC by 1; may step Rn.
inline std::uint16_t IndirectAddress(MachineState& m, unsigned n);
inline std::uint16_t IndirectAddress(MachineState& m, unsigned n, unsigned mode);  // mode given

// Jump condition c (0..15) on the current flags.
inline bool TestCondition(const MachineState& m, unsigned c);

// DEC ZERO SUBC ADDC INC INV CPL TEST.
inline std::uint16_t UnaryOp(MachineState& m, unsigned t, std::uint16_t a);

// SRL SRC SRA SRR SLL SLC SLA SLR, one bit each.
inline std::uint16_t ShiftOp(MachineState& m, unsigned t, std::uint16_t a);

// BUS (a - b), ADD, CMP (b with a, returns a), XOR, SUB (b - a), OR, AND.
inline std::uint16_t BinaryOp(MachineState& m, unsigned t, std::uint16_t a, std::uint16_t b);

// 32-bit MOV/ADD/CMP/SUB of the pair of n (P) and R0:R1 (Q); other selectors raise the
// invalid-instruction request. The result goes to R0:R1, or to the pair of n.
void PairOpIntoR0R1(MachineState& m, unsigned t, unsigned n);
void PairOpIntoPair(MachineState& m, unsigned t, unsigned n);

}  // namespace kv74

#include "cpu/alu_inl.hpp"
