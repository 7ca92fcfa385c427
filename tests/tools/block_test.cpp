// Part-program blocks written as `.block` lines.
#include <gtest/gtest.h>

#include "tests/tools/assemble_text.hpp"
#include "tools/asm/block.hpp"

namespace kv74::as::test {
namespace {

// The block "G1, X with +\ and L 1500, Z -200" stored at entry 5 of the block table.
TEST(Block, WorkedExample) {
  const Result r = AssembleText(".org 0x45A7 + 2*5\n.block G1 X+\\L1500 Z-200\n");
  ASSERT_TRUE(r.ok) << Errors(r);
  EXPECT_EQ(WordsAt(r, 0x45B1, 6),
            (std::vector<std::uint16_t>{0x0300, 0x0001, 0x5100, 0x05DC, 0x82FF, 0xFF38}));
}

TEST(Block, EntryEncoding) {
  struct Case {
    const char* items;
    std::vector<std::uint16_t> words;
  } cases[] = {
      {"G90", {0x8300, 0x0090}},        {"M3 S1200", {0x0400, 0x0003, 0x8500, 0x1200}},
      {"T999999", {0x8699, 0x9999}},    {"S0", {0x8500, 0x0000}},
      {"X-/-5", {0xA1FF, 0xFFFB}},      {"Zw10", {0xB200, 0x000A}},
      {"XL+7", {0xC100, 0x0007}},       {"x+\\l1", {0xD100, 0x0001}},
      {"P8388607", {0x877F, 0xFFFF}},   {"F-1", {0x88FF, 0xFFFF}},
      {"P-8388608", {0x8780, 0x0000}},  {"X(base*2) G(7)", {0x0100, 0x00C8, 0x8300, 0x0007}},
      {"Z( -base )", {0x82FF, 0xFF9C}},
  };
  for (const auto& c : cases) {
    const Result r = AssembleText("base = 100\n.org 0x4000\n.block " + std::string(c.items) + "\n");
    ASSERT_TRUE(r.ok) << c.items << "\n" << Errors(r);
    EXPECT_EQ(WordsAt(r, 0x4000, c.words.size()), c.words) << c.items;
  }
}

TEST(Block, Errors) {
  struct Bad {
    const char* items;
    int column;  // in ".block " + items
    const char* message;
  } cases[] = {
      {"", 7, ".block needs at least one item"},
      {"Q5", 8, "a block item begins with one of X Z G M S T P F"},
      {"G1 S-5", 12, "expected up to six decimal digits"},
      {"X1.5", 9, "expected a signed decimal number"},
      {"G+\\1", 9, "expected up to six decimal digits"},
      {"P8388608", 9, "P takes -8388608..8388607, not 8388608"},
      {"S1234567", 9, "S takes 0..999999"},
      {"X(nothing)", 10, "undefined symbol 'nothing'"},
  };
  for (const Bad& b : cases) {
    const Result r = AssembleText(".org 0x4000\n.block " + std::string(b.items) + "\n");
    ASSERT_FALSE(r.ok) << b.items;
    EXPECT_EQ(r.errors[0].where.line, 2) << b.items;
    EXPECT_EQ(r.errors[0].where.column, b.column) << b.items << "\n" << Errors(r);
    EXPECT_NE(r.errors[0].message.find(b.message), std::string::npos) << Errors(r);
  }
}

}  // namespace
}  // namespace kv74::as::test
