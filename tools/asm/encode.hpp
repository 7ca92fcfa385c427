// Instruction forms: from a mnemonic and its operands to the instruction words.
// The form (and so the length) follows from the notation alone; the number fields are filled
// once every symbol is known.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "tools/asm/diag.hpp"
#include "tools/asm/expr.hpp"

namespace kv74::as {

enum class SlotKind {
  Offset8,     // bits 7..0 of the first word, 0..255
  TableIndex,  // bits 7..0, a call table entry 0..255
  Ext16,       // the second word, -32768..65535
  RelTarget,   // bits 7..0, distance from the jump to the target address, -128..127
  Direct,      // bits 5..0, direct register address 0xF000..0xF03F
  Variant,     // {xxxx}: bits in which the word differs from the standard encoding
};

struct Slot {
  SlotKind kind;
  Span field;
};

struct Template {
  std::uint16_t word = 0;
  int length = 1;
  std::vector<Slot> slots;
};

// Chooses the form for `mnemonic` with the operand text `operands` (all after the mnemonic).
std::optional<Template> Select(const Span& mnemonic, const Span& operands, Diagnostic& error);

// The instruction's words at `address`. Returns a non-Ok value on a field that is undefined,
// malformed or out of range.
Value Emit(const Template& form, std::uint16_t address, Scope& scope,
           std::vector<std::uint16_t>& words);

// Splits at the commas that are not inside parentheses, brackets or quotes.
std::vector<Span> SplitTopLevel(const Span& text, char separator = ',');

}  // namespace kv74::as
