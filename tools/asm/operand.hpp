// The operand notation: what one comma-separated operand of an instruction is.
#pragma once

#include <optional>
#include <string>

#include "tools/asm/diag.hpp"

namespace kv74::as {

enum class OperandKind {
  Register,        // Rn
  ByteRegister,    // RnH, RnL
  Pair,            // Rp/q (q = p XOR 1)
  Short,           // M[BASE0+dd], M[BASE1+dd]; mode = base
  Basex,           // M[BASEX+...]; mode = BasedAddress mode 0..4
  Indirect,        // M[Rn], M[Rn++], M[--Rn]; mode = IndirectAddress mode 1..3
  TableEntry,      // M[dd] (call table)
  Immediate,       // #field
  Bracket,         // [field]: absolute jump target or direct register address
  RegisterTarget,  // [Rn]
  Stack,           // [STACK]
  Bare,            // field alone: relative jump target
};

struct Operand {
  OperandKind kind = OperandKind::Bare;
  unsigned reg = 0;
  unsigned mode = 0;
  char byte = 0;  // ByteRegister: 'H' or 'L'
  Span field;     // the number field, where the form has one
  Location where;
};

// Register number of "R0".."R15" / "RA".."RF" (any case), if `s` is one.
std::optional<unsigned> RegisterNumber(const std::string& s);

// Parses one operand. On a malformed operand returns nullopt and sets `error`.
std::optional<Operand> ParseOperand(const Span& text, Diagnostic& error);

}  // namespace kv74::as
