// The disassembler: one instruction word (with the word after it) as text in the processor's own
// notation. The assembler in tools/asm reads exactly this text back.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kv74 {

// Mnemonics by selector field.
inline constexpr std::array<std::string_view, 7> kBinaryMnemonics = {"BUS", "ADD", "CMP", "XOR",
                                                                     "SUB", "OR",  "AND"};
inline constexpr std::array<std::string_view, 8> kUnaryMnemonics = {"DEC", "ZERO", "SUBC", "ADDC",
                                                                    "INC", "INV",  "CPL",  "TEST"};
inline constexpr std::array<std::string_view, 8> kShiftMnemonics = {"SRL", "SRC", "SRA", "SRR",
                                                                    "SLL", "SLC", "SLA", "SLR"};
inline constexpr std::array<std::string_view, 16> kConditionMnemonics = {
    "JNO", "JO", "CALL", "JMP", "JNZ", "JZ", "JGE", "JLE",
    "JNC", "JC", "JA",   "JBE", "JNS", "JS", "JG",  "JL"};
// Pair operations exist for t = 0 MOV, 1 ADD, 2 CMP, 4 SUB; the others raise the
// invalid-instruction fault. Empty for those.
inline constexpr std::array<std::string_view, 8> kPairMnemonics = {"MOV", "ADD", "CMP", "",
                                                                   "SUB", "",    "",    ""};

// Operand column: mnemonics are padded to this width.
inline constexpr std::size_t kMnemonicColumn = 7;

// True for a word that the processor carries out as an instruction. False for the words the
// opcode map marks invalid, the group 0x4/0x5 words with t = 7 (which fault after their read)
// and the pair operations with an undefined selector (which fault).
bool IsDefinedInstruction(std::uint16_t w);

// The word the assembler produces for the text of w. It differs from w only where the
// processor ignores bits of w, or where two words share one text (the pair operations on
// R0/1 with R0/1).
std::uint16_t StandardEncoding(std::uint16_t w);

struct Disassembly {
  std::string text;
  int length;  // words taken: 1, or 2 when the form uses ext
};

// `ext` is the word after `word` (read only by two-word forms); `address` is where `word`
// lies, for the target of a relative jump. A word that is not an instruction becomes a
// `.word` directive.
Disassembly Disassemble(std::uint16_t word, std::uint16_t ext, std::uint16_t address);

// The `.word` line for a word that is not disassembled as an instruction.
std::string WordDirective(std::uint16_t word);

}  // namespace kv74
