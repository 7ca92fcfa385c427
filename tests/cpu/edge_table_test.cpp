// Whole truth tables: every jump condition on every flag combination, and the flags of every
// two-operand operation at the edge operands.
#include <span>

#include <gtest/gtest.h>

#include "cpu/alu.hpp"
#include "tests/cpu/machine_fixture.hpp"

namespace kv74 {
namespace {

using testing::FlagString;
using testing::Machine;

// Row c: character f is '1' when condition c holds with the flags N Z V C = bits 3..0 of f.
constexpr const char* kConditionTable[16] = {
    "11..11..11..11..",  // JNO  V = 0
    "..11..11..11..11",  // JO   V = 1
    "1111111111111111",  // CALL
    "1111111111111111",  // JMP
    "1111....1111....",  // JNZ  Z = 0
    "....1111....1111",  // JZ   Z = 1
    "11..11....11..11",  // JGE  N = V
    "..11111111..1111",  // JLE  Z = 1 or N != V
    "1.1.1.1.1.1.1.1.",  // JNC  C = 0
    ".1.1.1.1.1.1.1.1",  // JC   C = 1
    "1.1.....1.1.....",  // JA   C = 0 and Z = 0
    ".1.11111.1.11111",  // JBE  C = 1 or Z = 1
    "11111111........",  // JNS  N = 0
    "........11111111",  // JS   N = 1
    "11........11....",  // JG   Z = 0 and N = V
    "..11..1111..11..",  // JL   N != V
};

// The absolute form 0xEd50 takes every code: taken, the PC becomes extWord; not taken, it steps
// over both words. Code 2 is the call, which always transfers.
TEST(EdgeTables, EveryConditionOnEveryFlagCombination) {
  for (unsigned c = 0; c < 16; ++c) {
    for (unsigned f = 0; f < 16; ++f) {
      SCOPED_TRACE(::testing::Message() << "condition " << c << " flags "
                                        << FlagString(static_cast<std::uint16_t>(f << 12)));
      Machine x;
      x[reg::SP] = 0x4100;
      x[reg::FLAGS] = static_cast<std::uint16_t>(f << 12);
      x.Execute(0x0100, {static_cast<std::uint16_t>(0xE050 | c << 8), 0x0200});
      EXPECT_EQ(x[reg::PC], kConditionTable[c][f] == '1' ? 0x0200 : 0x0102);
    }
  }
}

// For each operation, the flags after a op b with a and b over the edge operands, a major:
// a = 0 (five results), a = 1, a = 0x7FFF, a = 0x8000, a = 0xFFFF.
constexpr std::uint16_t kEdges[5] = {0x0000, 0x0001, 0x7FFF, 0x8000, 0xFFFF};
struct EdgeRow {
  unsigned t;
  std::uint16_t (*result)(std::uint16_t a, std::uint16_t b);
  const char* flags[5][5];
};
constexpr EdgeRow kBinaryEdges[] = {
    {binary::BUS,
     [](std::uint16_t a, std::uint16_t b) { return std::uint16_t(a - b); },
     {{"-Z--", "N--C", "N--C", "N-VC", "---C"},
      {"----", "-Z--", "N--C", "N-VC", "---C"},
      {"----", "----", "-Z--", "N-VC", "N-VC"},
      {"N---", "--V-", "--V-", "-Z--", "N--C"},
      {"N---", "N---", "N---", "----", "-Z--"}}},
    {binary::ADD,
     [](std::uint16_t a, std::uint16_t b) { return std::uint16_t(a + b); },
     {{"-Z--", "----", "----", "N---", "N---"},
      {"----", "----", "N-V-", "N---", "-Z-C"},
      {"----", "N-V-", "N-V-", "N---", "---C"},
      {"N---", "N---", "N---", "-ZVC", "--VC"},
      {"N---", "-Z-C", "---C", "--VC", "N--C"}}},
    {binary::CMP,
     [](std::uint16_t a, std::uint16_t) { return a; },
     {{"-Z--", "----", "----", "N---", "N---"},
      {"N--C", "-Z--", "----", "----", "N---"},
      {"N--C", "N--C", "-Z--", "----", "N---"},
      {"N--C", "N--C", "N--C", "-Z--", "----"},
      {"---C", "---C", "N--C", "N--C", "-Z--"}}},
    {binary::XOR,
     [](std::uint16_t a, std::uint16_t b) { return std::uint16_t(a ^ b); },
     {{"-Z--", "----", "----", "N---", "N---"},
      {"----", "-Z--", "----", "N---", "N---"},
      {"----", "----", "-Z--", "N---", "N---"},
      {"N---", "N---", "N---", "-Z--", "----"},
      {"N---", "N---", "N---", "----", "-Z--"}}},
    {binary::SUB,
     [](std::uint16_t a, std::uint16_t b) { return std::uint16_t(b - a); },
     {{"-Z--", "----", "----", "N---", "N---"},
      {"N--C", "-Z--", "----", "--V-", "N---"},
      {"N--C", "N--C", "-Z--", "--V-", "N---"},
      {"N-VC", "N-VC", "N-VC", "-Z--", "----"},
      {"---C", "---C", "N-VC", "N--C", "-Z--"}}},
    {binary::OR,
     [](std::uint16_t a, std::uint16_t b) { return std::uint16_t(a | b); },
     {{"-Z--", "----", "----", "N---", "N---"},
      {"----", "----", "----", "N---", "N---"},
      {"----", "----", "----", "N---", "N---"},
      {"N---", "N---", "N---", "N---", "N---"},
      {"N---", "N---", "N---", "N---", "N---"}}},
    {binary::AND,
     [](std::uint16_t a, std::uint16_t b) { return std::uint16_t(a & b); },
     {{"-Z--", "-Z--", "-Z--", "-Z--", "-Z--"},
      {"-Z--", "----", "----", "-Z--", "----"},
      {"-Z--", "----", "----", "-Z--", "----"},
      {"-Z--", "-Z--", "-Z--", "N---", "N---"},
      {"-Z--", "----", "----", "N---", "N---"}}},
};

TEST(EdgeTables, TwoOperandFlagsAtTheEdgeOperands) {
  for (const EdgeRow& row : kBinaryEdges) {
    for (int i = 0; i < 5; ++i) {
      for (int j = 0; j < 5; ++j) {
        const std::uint16_t a = kEdges[i], b = kEdges[j];
        // Starting from all four flags set shows that every operation clears the ones it does
        // not set; bits 0..11 are never touched.
        for (std::uint16_t before : {std::uint16_t{0x0123}, std::uint16_t{0xF456}}) {
          SCOPED_TRACE(::testing::Message()
                       << "t=" << row.t << " a=" << a << " b=" << b << " flags before " << before);
          Machine x;
          x[reg::FLAGS] = before;
          EnterFlags(x.m);  // as inside a run loop
          EXPECT_EQ(BinaryOp(x.m, row.t, a, b), row.result(a, b));
          LeaveFlags(x.m);
          EXPECT_EQ(x.Flags(), row.flags[i][j]);
          EXPECT_EQ(x[reg::FLAGS] & 0x0FFF, before & 0x0FFF);
        }
      }
    }
  }
}

// One-operand operations and shifts over the edge operands, entered with N, Z and V set and C
// clear (first row) or set (second row): result and flags.
struct OneOperandRow {
  unsigned t;
  struct {
    std::uint16_t result;
    const char* flags;
  } after[2][5];
};
constexpr OneOperandRow kUnaryEdges[] = {
    {unary::DEC,
     {{{0xFFFF, "N---"}, {0x0000, "-Z--"}, {0x7FFE, "----"}, {0x7FFF, "----"}, {0xFFFE, "N---"}},
      {{0xFFFF, "N--C"}, {0x0000, "-Z-C"}, {0x7FFE, "---C"}, {0x7FFF, "---C"}, {0xFFFE, "N--C"}}}},
    {unary::ZERO,
     {{{0x0000, "-Z--"}, {0x0000, "-Z--"}, {0x0000, "-Z--"}, {0x0000, "-Z--"}, {0x0000, "-Z--"}},
      {{0x0000, "-Z--"}, {0x0000, "-Z--"}, {0x0000, "-Z--"}, {0x0000, "-Z--"}, {0x0000, "-Z--"}}}},
    {unary::SUBC,
     {{{0x0000, "-Z--"}, {0x0001, "----"}, {0x7FFF, "----"}, {0x8000, "N---"}, {0xFFFF, "N---"}},
      {{0xFFFF, "N---"}, {0x0000, "-Z--"}, {0x7FFE, "----"}, {0x7FFF, "----"}, {0xFFFE, "N---"}}}},
    {unary::ADDC,
     {{{0x0000, "-Z--"}, {0x0001, "----"}, {0x7FFF, "----"}, {0x8000, "N---"}, {0xFFFF, "N---"}},
      {{0x0001, "----"}, {0x0002, "----"}, {0x8000, "N---"}, {0x8001, "N---"}, {0x0000, "-Z--"}}}},
    {unary::INC,
     {{{0x0001, "----"}, {0x0002, "----"}, {0x8000, "N---"}, {0x8001, "N---"}, {0x0000, "-Z--"}},
      {{0x0001, "---C"}, {0x0002, "---C"}, {0x8000, "N--C"}, {0x8001, "N--C"}, {0x0000, "-Z-C"}}}},
    {unary::INV,
     {{{0xFFFF, "N--C"}, {0xFFFE, "N--C"}, {0x8000, "N--C"}, {0x7FFF, "---C"}, {0x0000, "-Z-C"}},
      {{0xFFFF, "N--C"}, {0xFFFE, "N--C"}, {0x8000, "N--C"}, {0x7FFF, "---C"}, {0x0000, "-Z-C"}}}},
    {unary::CPL,
     {{{0x0000, "-Z--"}, {0xFFFF, "N--C"}, {0x8001, "N--C"}, {0x8000, "N--C"}, {0x0001, "---C"}},
      {{0x0000, "-Z--"}, {0xFFFF, "N--C"}, {0x8001, "N--C"}, {0x8000, "N--C"}, {0x0001, "---C"}}}},
    {unary::TEST,
     {{{0x0000, "-Z--"}, {0x0001, "----"}, {0x7FFF, "----"}, {0x8000, "N---"}, {0xFFFF, "N---"}},
      {{0x0000, "-Z--"}, {0x0001, "----"}, {0x7FFF, "----"}, {0x8000, "N---"}, {0xFFFF, "N---"}}}},
};
constexpr OneOperandRow kShiftEdges[] = {
    {shift::SRL,
     {{{0x0000, "-Z--"}, {0x0000, "-Z-C"}, {0x3FFF, "---C"}, {0x4000, "----"}, {0x7FFF, "---C"}},
      {{0x0000, "-Z--"}, {0x0000, "-Z-C"}, {0x3FFF, "---C"}, {0x4000, "----"}, {0x7FFF, "---C"}}}},
    {shift::SRC,
     {{{0x0000, "-Z--"}, {0x8000, "N--C"}, {0xBFFF, "N--C"}, {0x4000, "----"}, {0xFFFF, "N--C"}},
      {{0x0000, "-Z--"}, {0x8000, "N--C"}, {0xBFFF, "N--C"}, {0x4000, "----"}, {0xFFFF, "N--C"}}}},
    {shift::SRA,
     {{{0x0000, "-Z--"}, {0x0000, "-Z-C"}, {0x3FFF, "---C"}, {0xC000, "N---"}, {0xFFFF, "N--C"}},
      {{0x0000, "-Z--"}, {0x0000, "-Z-C"}, {0x3FFF, "---C"}, {0xC000, "N---"}, {0xFFFF, "N--C"}}}},
    {shift::SRR,
     {{{0x0000, "-Z--"}, {0x0000, "-Z-C"}, {0x3FFF, "---C"}, {0x4000, "----"}, {0x7FFF, "---C"}},
      {{0x8000, "N---"}, {0x8000, "N--C"}, {0xBFFF, "N--C"}, {0xC000, "N---"}, {0xFFFF, "N--C"}}}},
    {shift::SLL,
     {{{0x0000, "-Z--"}, {0x0002, "----"}, {0xFFFE, "N-V-"}, {0x0000, "-ZVC"}, {0xFFFE, "N--C"}},
      {{0x0000, "-Z--"}, {0x0002, "----"}, {0xFFFE, "N-V-"}, {0x0000, "-ZVC"}, {0xFFFE, "N--C"}}}},
    {shift::SLC,
     {{{0x0000, "-Z--"}, {0x0002, "----"}, {0xFFFE, "N-V-"}, {0x0001, "--VC"}, {0xFFFF, "N--C"}},
      {{0x0000, "-Z--"}, {0x0002, "----"}, {0xFFFE, "N-V-"}, {0x0001, "--VC"}, {0xFFFF, "N--C"}}}},
    {shift::SLA,
     {{{0x0000, "-ZV-"}, {0x0002, "--V-"}, {0xFFFE, "N-V-"}, {0x8000, "N-V-"}, {0xFFFE, "N-V-"}},
      {{0x0000, "-ZVC"}, {0x0002, "--VC"}, {0xFFFE, "N-VC"}, {0x8000, "N-VC"}, {0xFFFE, "N-VC"}}}},
    {shift::SLR,
     {{{0x0000, "-Z--"}, {0x0002, "----"}, {0xFFFE, "N-V-"}, {0x0000, "-ZVC"}, {0xFFFE, "N--C"}},
      {{0x0001, "----"}, {0x0003, "----"}, {0xFFFF, "N-V-"}, {0x0001, "--VC"}, {0xFFFF, "N--C"}}}},
};

TEST(EdgeTables, OneOperandOperationsAtTheEdgeOperands) {
  for (bool shifts : {false, true}) {
    for (const OneOperandRow& row : shifts ? std::span(kShiftEdges) : std::span(kUnaryEdges)) {
      for (int carry = 0; carry < 2; ++carry) {
        for (int i = 0; i < 5; ++i) {
          SCOPED_TRACE(::testing::Message() << (shifts ? "shift " : "unary ") << row.t
                                            << " a=" << kEdges[i] << " C=" << carry);
          Machine x;
          x[reg::FLAGS] = static_cast<std::uint16_t>(0xE456 | carry << 12);
          EnterFlags(x.m);  // as inside a run loop
          const std::uint16_t r =
              shifts ? ShiftOp(x.m, row.t, kEdges[i]) : UnaryOp(x.m, row.t, kEdges[i]);
          LeaveFlags(x.m);
          EXPECT_EQ(r, row.after[carry][i].result);
          EXPECT_EQ(x.Flags(), row.after[carry][i].flags);
          EXPECT_EQ(x[reg::FLAGS] & 0x0FFF, 0x0456);
        }
      }
    }
  }
}

}  // namespace
}  // namespace kv74
