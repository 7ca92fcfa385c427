// The instruction decoder: the opcode map written down once, shared by the executor, the
// disassembler and the assembler.
#pragma once

#include <array>
#include <cstdint>

namespace kv74 {

// One entry per instruction form of the opcode map.
enum class Op : std::uint8_t {
  Invalid,
  // Short base-relative forms, groups 0x0..0x5.
  LoadBase0,      // 0x0dxx  MOV Rd,M[BASE0+dd]
  StoreBase0,     // 0x1dxx  MOV M[BASE0+dd],Rd
  LoadBase1,      // 0x2dxx  MOV Rd,M[BASE1+dd]
  StoreBase1,     // 0x3dxx  MOV M[BASE1+dd],Rd
  AluToR0Short,   // 0x4     t R0,M[BASEb+dd]
  AluToR0T7,      // 0x4 t=7: reads the operand, then invalid
  AluToMemShort,  // 0x5     t M[BASEb+dd],R0
  AluToMemT7,     // 0x5 t=7: reads the operand, then invalid
  // Group 0x6.
  CallTable,  // 0x62dd  CALL [word dd]
  JumpRel,    // 0x6cdd  conditional jump, signed displacement
  // Register-register forms, groups 0x7 and 0x9.
  MovRR,  // 0x70jn
  Mul,    // 0x71jn
  AluRR,  // 0x9tjn
  // Group 0xC: register destination, BASEX operand.
  MovbBasex,
  CmpbBasex,
  MovRegBasex,
  AluRegBasex,
  // Group 0xD: memory destination, BASEX operand.
  MovBasexReg,
  AluBasexReg,
  // Group 0xE.
  MovbInd,  // MOVB R0 byte <- M[indirect]
  MovbImm,  // MOVB Rn byte <- extWord byte
  CmpbInd,
  CmpbImm,
  AluInd,        // t R0,M[indirect]
  AluImm,        // t Rn,extWord
  MovInd,        // MOV Rd,M[indirect]
  MovImm,        // MOV Rd,extWord
  PairIntoR0R1,  // R0/1,Rp/q
  ReadDirect,    // MOV R0,[F0oo]
  PopReg,        // MOV [F0oo],[STACK]
  JumpReg,       // Jcc [Rn] / CALL [Rn]
  JumpAbs,       // Jcc [extWord] / CALL [extWord]
  Return,        // JMP [STACK]
  // Group 0xF.
  UnaryMem,
  UnaryReg,
  ShiftReg,
  Sign,
  PairIntoPair,  // Rp/q,R0/1
  WriteDirect,   // MOV [F0oo],R0
  PushReg,       // MOV [STACK],[F0oo]
  Stop,
  Wait,
  Count
};

// Fields of an instruction word (bit 15 is the most significant).
constexpr unsigned FieldG(std::uint16_t w) { return w >> 12; }        // group
constexpr unsigned FieldD(std::uint16_t w) { return (w >> 8) & 15; }  // register / condition
constexpr unsigned FieldT(std::uint16_t w) { return (w >> 9) & 7; }   // operation selector
constexpr unsigned FieldS(std::uint16_t w) { return (w >> 9) & 3; }   // byte selector
constexpr unsigned FieldB8(std::uint16_t w) { return (w >> 8) & 1; }  // short-form base
constexpr unsigned FieldDD(std::uint16_t w) { return w & 0xFF; }      // 8-bit offset
constexpr unsigned FieldJ(std::uint16_t w) { return (w >> 4) & 15; }  // first register
constexpr unsigned FieldM(std::uint16_t w) { return (w >> 4) & 7; }   // BasedAddress mode
constexpr unsigned FieldIM(std::uint16_t w) { return (w >> 4) & 3; }  // IndirectAddress mode
constexpr unsigned FieldN(std::uint16_t w) { return w & 15; }         // register number
constexpr unsigned FieldO(std::uint16_t w) { return w & 0x3F; }       // direct I/O offset

// BasedAddress modes 2 and 3 consume extWord.
constexpr bool BasedModeUsesExt(unsigned m) { return m == 2 || m == 3; }

// The decoded form of every instruction word, built once from the opcode map.
extern const std::array<Op, 65536> DecodeTable;

inline Op Decode(std::uint16_t w) { return DecodeTable[w]; }

// Number of words the instruction occupies (1 or 2); 1 for an invalid word.
int InstructionLength(std::uint16_t w);

// A short name of the form, for diagnostics and tests.
const char* OpName(Op op);

}  // namespace kv74
