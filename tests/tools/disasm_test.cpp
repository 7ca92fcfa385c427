// The disassembler's text for each instruction form, checked against hand-decoded words.
#include <gtest/gtest.h>

#include <map>

#include "cpu/decode.hpp"
#include "cpu/disasm.hpp"

namespace kv74 {
namespace {

struct Case {
  std::uint16_t word, ext, address;
  const char* text;
  int length;
};

constexpr Case kCases[] = {
    // Short base-relative moves and ALU forms.
    {0x0312, 0, 0, "MOV    R3,M[BASE0+12]", 1},
    {0x0DF9, 0, 0, "MOV    RD,M[BASE0+F9]", 1},
    {0x1022, 0, 0, "MOV    M[BASE0+22],R0", 1},
    {0x2105, 0, 0, "MOV    R1,M[BASE1+05]", 1},
    {0x3F00, 0, 0, "MOV    M[BASE1+00],RF", 1},
    {0x4412, 0, 0, "CMP    R0,M[BASE0+12]", 1},
    {0x4D80, 0, 0, "AND    R0,M[BASE1+80]", 1},
    {0x5512, 0, 0, "CMP    M[BASE1+12],R0", 1},
    // Group 0x6: table call and relative jumps (target = jump address + signed dd).
    {0x6288, 0, 0x0300, "CALL   M[0088]", 1},
    {0x63FF, 0, 0x0200, "JMP    01FF", 1},
    {0x6300, 0, 0x0200, "JMP    0200", 1},
    {0x6380, 0, 0x0200, "JMP    0180", 1},
    {0x657F, 0, 0x0200, "JZ     027F", 1},
    {0x6F01, 0, 0xFFFF, "JL     0000", 1},
    // Register-register.
    {0x7034, 0, 0, "MOV    R3,R4", 1},
    {0x7134, 0, 0, "MUL    R3,R4 -> R2,R3", 1},
    {0x71E0, 0, 0, "MUL    RE,R0 -> RE,RF", 1},
    {0x9234, 0, 0, "ADD    R3,R4", 1},
    {0x9334, 0, 0, "ADD    R3,R4 {0100}", 1},
    {0x9CAB, 0, 0, "AND    RA,RB", 1},
    // Group 0xC / 0xD: BASEX operands in all five modes.
    {0xC583, 0, 0, "MOV    R5,M[BASEX+R3]", 1},
    {0xC5A0, 0x1234, 0, "MOV    R5,M[BASEX+1234]", 2},
    {0xC5A7, 0x1234, 0, "MOV    R5,M[BASEX+1234] {0007}", 2},
    {0xC313, 0, 0, "ADD    R0,M[BASEX+R3++]", 1},
    {0xC325, 0xFFF0, 0, "ADD    R5,M[BASEX+FFF0]", 2},
    {0xC025, 0x1234, 0, "MOVB   R5H,M[BASEX+1234]H", 2},
    {0xCA43, 0, 0, "CMPB   R0H,M[BASEX+(--R3)]L", 1},
    {0xD5C3, 0, 0, "MOV    M[BASEX+(--R3)],R5", 1},
    {0xD732, 0x1234, 0, "XOR    M[BASEX+R2+1234],R0", 2},
    {0xC0D0, 0, 0, ".word  0xC0D0", 1},  // mode 5
    {0xCF00, 0, 0, ".word  0xCF00", 1},  // t = 7
    // Group 0xE: indirect, immediate, pairs, direct registers, jumps.
    {0xE213, 0, 0, "MOVB   R0H,M[R3]L", 1},
    {0xE403, 0x0041, 0, "MOVB   R3L,#0041L", 2},
    {0xEE03, 0x4100, 0, "CMPB   R3L,#4100H", 2},
    {0xE131, 0, 0, "BUS    R0,M[--R1]", 1},
    {0xE501, 0x00AA, 0, "CMP    R1,#00AA", 2},
    {0xE5A2, 0, 0, "MOV    R5,M[R2++]", 1},
    {0xE080, 0x4010, 0, "MOV    R0,#4010", 2},
    {0xE085, 0x4010, 0, "MOV    R0,#4010 {0005}", 2},
    {0xE2C4, 0, 0, "ADD    R0/1,R4/5", 1},
    {0xE4C5, 0, 0, "CMP    R0/1,R5/4", 1},
    {0xE6C4, 0, 0, ".word  0xE6C4", 1},  // pair operation 3 faults
    {0xE1D3, 0, 0, "MOV    R0,[F013]", 1},
    {0xE1F0, 0, 0, "MOV    R0,[F030]", 1},
    {0xE3D2, 0, 0, "MOV    [F012],[STACK]", 1},
    {0xE243, 0, 0, "CALL   [R3]", 1},
    {0xEB4F, 0, 0, "JBE    [RF]", 1},
    {0xE250, 0x1000, 0, "CALL   [1000]", 2},
    {0xE550, 0x1000, 0, "JZ     [1000]", 2},
    {0xE370, 0, 0, "JMP    [STACK]", 1},
    {0xE470, 0, 0, ".word  0xE470", 1},
    // Group 0xF.
    {0xF810, 0, 0, "INC    M[BASEX+R0++]", 1},
    {0xFE20, 0xBEEF, 0, "TEST   M[BASEX+BEEF]", 2},
    {0xF885, 0, 0, "INC    R5", 1},
    {0xF09F, 0, 0, "SRL    RF", 1},
    {0xFC9F, 0, 0, "SLA    RF", 1},
    {0xF6B1, 0, 0, "SIGN   R0,R1", 1},
    {0xF6B4, 0, 0, "SIGN   R4,R4", 1},
    {0xF8C5, 0, 0, "SUB    R5/4,R0/1", 1},
    {0xF0C0, 0, 0, "MOV    R0/1,R0/1 {1000}", 1},
    {0xF1D0, 0, 0, "MOV    [F010],R0", 1},
    {0xF3C5, 0, 0, "MOV    [STACK],[F005]", 1},
    {0xF9F4, 0, 0, "STOP", 1},
    {0xFBF4, 0, 0, "WAIT", 1},
    {0xF9F5, 0, 0, ".word  0xF9F5", 1},
    // Groups without instructions.
    {0x8000, 0, 0, ".word  0x8000", 1},
    {0xA123, 0, 0, ".word  0xA123", 1},
    {0x7200, 0, 0, ".word  0x7200", 1},
};

TEST(Disassembler, TextOfEachForm) {
  for (const Case& c : kCases) {
    const Disassembly d = Disassemble(c.word, c.ext, c.address);
    EXPECT_EQ(d.text, c.text) << std::hex << c.word;
    EXPECT_EQ(d.length, c.length) << std::hex << c.word;
  }
}

// Every word the decoder calls invalid is a `.word`; every defined one is an instruction
// of the decoder's length.
TEST(Disassembler, AgreesWithTheDecoder) {
  for (unsigned w = 0; w < 65536; ++w) {
    const auto word = static_cast<std::uint16_t>(w);
    const Disassembly d = Disassemble(word, 0x5A5A, 0x1000);
    if (Decode(word) == Op::Invalid) {
      ASSERT_FALSE(IsDefinedInstruction(word)) << std::hex << w;
    }
    if (IsDefinedInstruction(word)) {
      ASSERT_NE(d.text.rfind(".word", 0), 0u) << std::hex << w;
      ASSERT_EQ(d.length, InstructionLength(word)) << std::hex << w;
    } else {
      ASSERT_EQ(d.text, WordDirective(word));
      ASSERT_EQ(d.length, 1);
    }
  }
}

// No two words share a text, so the text alone tells the assembler which word to produce.
TEST(Disassembler, TextsAreUnique) {
  std::map<std::string, unsigned> seen;
  for (unsigned w = 0; w < 65536; ++w) {
    const auto text = Disassemble(static_cast<std::uint16_t>(w), 0x1234, 0x1000).text;
    const auto [it, fresh] = seen.emplace(text, w);
    ASSERT_TRUE(fresh) << text << " for " << std::hex << w << " and " << it->second;
  }
}

TEST(Disassembler, MnemonicColumn) {
  for (unsigned w = 0; w < 65536; w += 7) {
    const auto text = Disassemble(static_cast<std::uint16_t>(w), 0, 0).text;
    if (text == "STOP" || text == "WAIT") continue;
    ASSERT_GE(text.size(), kMnemonicColumn + 1) << text;
    ASSERT_NE(text[kMnemonicColumn], ' ') << text;
    ASSERT_EQ(text[kMnemonicColumn - 1], ' ') << text;
  }
}

}  // namespace
}  // namespace kv74
