// Expressions in directives, and the number rule of operand fields.
#include <gtest/gtest.h>

#include "tests/tools/assemble_text.hpp"

namespace kv74::as::test {
namespace {

struct Case {
  const char* source;  // one line, assembled at 0x0100 with x = 5, face = 7
  std::vector<std::uint16_t> words;
};

std::string Prelude() { return "x = 5\nface = 7\nfar = 0x1F00\n.org 0x100\n"; }

TEST(Expressions, DirectiveArgumentsAreDecimal) {
  const Case cases[] = {
      {".word 1+2*3", {7}},
      {".word (1+2)*3", {9}},
      {".word -1", {0xFFFF}},
      {".word ~0", {0xFFFF}},
      {".word - -3", {3}},
      {".word 0x10|0x01, 0xF0&0x3C, 5^3", {0x11, 0x30, 6}},
      {".word 1<<15, 0x8000>>3", {0x8000, 0x1000}},
      {".word 7/2, -7/2, 7%3", {3, 0xFFFD, 1}},
      {".word 1|2^3&4", {3}},  // & before ^ before |
      {".word 2+3<<1", {10}},  // + before <<
      {".word 'A', '\\n', '\\''", {0x41, 10, 0x27}},
      {".word 0b1010, 0XFF, 0B101", {10, 0xFF, 5}},
      {".word $, $+2", {0x100, 0x102}},
      {".word x*x, far>>8", {25, 0x1F}},
      {".word later-$", {3}},
      {".word -32768, 65535", {0x8000, 0xFFFF}},
      {".word 3==3, 3!=3, 2<3, 3<=2, 5>4, 4>=4", {1, 0, 1, 0, 1, 1}},
      {".word 3<=3, 0x10|0x11", {1, 0x11}},  // | is not ^
      {".word 1 && 0, 1 || 0, !0, !7", {0, 1, 1, 0}},
      {".word 1<<2 < 5, 6 & 3 == 3, 1 | 0 && 0", {1, 0, 0}},          // C precedence
      {".word (0x12345 & 0xFFFFF) >> 4, -8 >> 1", {0x1234, 0xFFFC}},  // 64-bit values
      {".word '\\r', '\\0'", {13, 0}},
      {".word ((((((((((((((((((((((((((((((1))))))))))))))))))))))))))))))", {1}},  // 30 deep
  };
  for (const Case& c : cases) {
    const Result r = AssembleText(Prelude() + c.source + "\n.org 0x103\nlater:\n");
    ASSERT_TRUE(r.ok) << c.source << "\n" << Errors(r);
    EXPECT_EQ(WordsAt(r, 0x100, c.words.size()), c.words) << c.source;
  }
}

TEST(Expressions, OperandFieldsReadBareDigitsAsHex) {
  const Case cases[] = {
      {"MOV R0,#10", {0xE080, 0x0010}},
      {"MOV R0,#-10", {0xE080, 0xFFF0}},
      {"MOV R0,#(10)", {0xE080, 0x000A}},
      {"MOV R0,#0x10", {0xE080, 0x0010}},
      {"MOV R0,#abcd", {0xE080, 0xABCD}},
      {"MOV R0,#x", {0xE080, 0x0005}},
      {"MOV R0,#x+1", {0xE080, 0x0006}},
      {"MOV R0,#(face)", {0xE080, 0x0007}},
      {"MOV R0,#face", {0xE080, 0xFACE}},
      {"MOV R0,M[BASE0+(x*2)]", {0x000A}},
      {"MOV R0,M[BASE0+1F]", {0x001F}},
      {"MOV R0,M[BASEX+R1+(x)]", {0xC0B1, 0x0005}},
      {"MOV R0,M[BASEX+x-1]", {0xC0A0, 0x0004}},
      {"JMP [far]", {0xE350, 0x1F00}},
      {"JMP [1F00]", {0xE350, 0x1F00}},
      {"JMP 0110", {0x6310}},
      {"JMP $-1", {0x63FF}},
      {"MOV R0,[0xF000+x]", {0xE1C5}},
  };
  for (const Case& c : cases) {
    const Result r = AssembleText(Prelude() + c.source + "\n");
    ASSERT_TRUE(r.ok) << c.source << "\n" << Errors(r);
    EXPECT_EQ(WordsAt(r, 0x100, c.words.size()), c.words) << c.source;
  }
}

TEST(Expressions, Errors) {
  struct Bad {
    const char* line;
    int column;
    const char* message;
  } cases[] = {
      {".word 1F", 7, "bad number '1F' (hex numbers take the prefix 0x here)"},
      {".word 1/0", 9, "division by zero"},
      {".word (1", 9, "expected ')'"},
      {".word 1 2", 9, "unexpected '2'"},
      {".word 70000", 7, "value 70000 is out of range for a 16-bit word"},
      {".word -32769", 7, "out of range"},
      {".word 1<<64", 10, "shift count out of range"},
      {".word 'ab'", 7, "unterminated character literal"},
      {".word nothing", 7, "undefined symbol 'nothing'"},
      {".word R3", 7, "'R3' is a register or keyword, not a value"},
      {".word 99999999999999999999", 7, "too large"},
      {".word 9300000000000000000", 7, "too large"},
      {".word 0b12", 7, "bad number '0b12'"},
      {"MOV R0,#123456789", 9, "too large"},
      {"MOV R0,#1+x", 9, "bare digits in an operand are hex"},
      {"MOV R0,#", 9, "expected an expression"},
  };
  for (const Bad& b : cases) {
    const Result r = AssembleText(Prelude() + b.line + "\n");
    ASSERT_FALSE(r.ok) << b.line;
    ASSERT_EQ(r.errors.size(), 1u) << b.line << "\n" << Errors(r);
    EXPECT_EQ(r.errors[0].where.line, 5) << b.line;
    EXPECT_EQ(r.errors[0].where.column, b.column) << b.line << "\n" << Errors(r);
    EXPECT_NE(r.errors[0].message.find(b.message), std::string::npos) << Errors(r);
  }
}

}  // namespace
}  // namespace kv74::as::test
