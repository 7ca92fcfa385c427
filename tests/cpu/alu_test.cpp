#include "cpu/alu.hpp"

#include <gtest/gtest.h>

#include "tests/cpu/machine_fixture.hpp"

namespace kv74 {
namespace {

using testing::FlagBits;
using testing::FlagString;
using testing::Machine;

constexpr std::uint16_t kLowBits = 0x0ABC;  // flags word bits 0..11: never touched by the ALU

struct OpCase {
  unsigned t;
  std::uint16_t a, b;
  const char* before;
  std::uint16_t result;
  const char* after;
};

// The operations run as inside a run loop: N and Z apart from the flags word in between.
void ExpectFlags(Machine& x, const char* after) {
  LeaveFlags(x.m);
  EXPECT_EQ(FlagString(x.m[reg::FLAGS]), after);
  EXPECT_EQ(x.m[reg::FLAGS] & 0x0FFF, kLowBits);
}

TEST(Alu, SetResultFlagsKeepsVAndLowBits) {
  const struct {
    std::uint16_t v;
    const char* before;
    const char* after;
  } cases[] = {
      {0x0000, "--VC", "-ZV-"},
      {0x8000, "-Z-C", "N---"},
      {0x0001, "NZVC", "--V-"},
      {0xFFFF, "----", "N---"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.v);
    Machine x;
    x.m[reg::FLAGS] = FlagBits(c.before) | kLowBits;
    EnterFlags(x.m);
    SetResultFlags(x.m, c.v);
    ExpectFlags(x, c.after);
  }
}

TEST(Alu, BinaryOperations) {
  using namespace binary;
  const OpCase cases[] = {
      {ADD, 0xFFFF, 0x0001, "----", 0x0000, "-Z-C"}, {ADD, 0x7FFF, 0x0001, "---C", 0x8000, "N-V-"},
      {ADD, 0x8000, 0x8000, "----", 0x0000, "-ZVC"}, {ADD, 0x1234, 0x0001, "NZVC", 0x1235, "----"},
      {SUB, 0x0001, 0x0000, "----", 0xFFFF, "N--C"},  // b - a
      {SUB, 0x0001, 0x8000, "----", 0x7FFF, "--V-"}, {SUB, 0x0005, 0x0005, "N-VC", 0x0000, "-Z--"},
      {BUS, 0x0001, 0x0000, "NZVC", 0x0001, "----"},  // a - b
      {BUS, 0x0000, 0x0001, "----", 0xFFFF, "N--C"}, {BUS, 0x8000, 0x0001, "----", 0x7FFF, "--V-"},
      {CMP, 0x0001, 0x8000, "--V-", 0x0001, "----"},  // compares b with a, returns a
      {CMP, 0x0005, 0x0005, "N-VC", 0x0005, "-Z--"}, {CMP, 0x0005, 0x0003, "----", 0x0005, "N--C"},
      {CMP, 0x8000, 0x0001, "----", 0x8000, "N--C"},  // signed overflow, yet V stays 0
      {XOR, 0xFF00, 0xFF00, "NZVC", 0x0000, "-Z--"}, {XOR, 0xFF00, 0x00FF, "----", 0xFFFF, "N---"},
      {OR, 0x8000, 0x0001, "-ZVC", 0x8001, "N---"},  {AND, 0x00F0, 0x0F0F, "N-VC", 0x0000, "-Z--"},
      {AND, 0x00F0, 0x0FF0, "----", 0x00F0, "----"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "t=" << c.t << " a=" << c.a << " b=" << c.b);
    Machine x;
    x.m[reg::FLAGS] = FlagBits(c.before) | kLowBits;
    EnterFlags(x.m);
    EXPECT_EQ(BinaryOp(x.m, c.t, c.a, c.b), c.result);
    ExpectFlags(x, c.after);
  }
}

TEST(Alu, UnaryOperations) {
  using namespace unary;
  const OpCase cases[] = {
      {DEC, 0x0000, 0, "--V-", 0xFFFF, "N---"},  {DEC, 0x0001, 0, "---C", 0x0000, "-Z-C"},
      {ZERO, 0x1234, 0, "N-VC", 0x0000, "-Z--"}, {SUBC, 0x0000, 0, "---C", 0xFFFF, "N---"},
      {SUBC, 0x0005, 0, "--V-", 0x0005, "----"}, {ADDC, 0xFFFF, 0, "---C", 0x0000, "-Z--"},
      {ADDC, 0x7FFF, 0, "---C", 0x8000, "N---"}, {INC, 0xFFFF, 0, "--VC", 0x0000, "-Z-C"},
      {INC, 0x7FFF, 0, "----", 0x8000, "N---"},  {INV, 0xFFFF, 0, "----", 0x0000, "-Z-C"},
      {INV, 0x0000, 0, "-Z--", 0xFFFF, "N--C"},  {CPL, 0x0000, 0, "---C", 0x0000, "-Z--"},
      {CPL, 0x8000, 0, "----", 0x8000, "N--C"},  {CPL, 0x0001, 0, "--V-", 0xFFFF, "N--C"},
      {TEST, 0x8000, 0, "-ZVC", 0x8000, "N---"}, {TEST, 0x0000, 0, "N--C", 0x0000, "-Z--"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "t=" << c.t << " a=" << c.a << " " << c.before);
    Machine x;
    x.m[reg::FLAGS] = FlagBits(c.before) | kLowBits;
    EnterFlags(x.m);
    EXPECT_EQ(UnaryOp(x.m, c.t, c.a), c.result);
    ExpectFlags(x, c.after);
  }
}

TEST(Alu, Shifts) {
  using namespace shift;
  const OpCase cases[] = {
      {SRL, 0x0001, 0, "N-V-", 0x0000, "-Z-C"},
      {SRL, 0x8000, 0, "---C", 0x4000, "----"},
      {SRC, 0x0001, 0, "----", 0x8000, "N--C"},
      {SRA, 0x8001, 0, "----", 0xC000, "N--C"},
      {SRA, 0x4002, 0, "---C", 0x2001, "----"},
      {SRR, 0x0000, 0, "---C", 0x8000, "N---"},
      {SRR, 0x0003, 0, "----", 0x0001, "---C"},
      {SLL, 0x4000, 0, "----", 0x8000, "N-V-"},
      {SLL, 0xC000, 0, "----", 0x8000, "N--C"},
      {SLL, 0x8000, 0, "----", 0x0000, "-ZVC"},
      {SLC, 0x8000, 0, "----", 0x0001, "--VC"},
      {SLC, 0x4001, 0, "---C", 0x8002, "N-V-"},
      {SLR, 0x8000, 0, "---C", 0x0001, "--VC"},
      {SLR, 0x0001, 0, "---C", 0x0003, "----"},
      // SLA: the shifted-out bit is lost, C keeps its value, V is always set.
      {SLA, 0x4000, 0, "----", 0x8000, "N-V-"},
      {SLA, 0x8001, 0, "----", 0x8002, "N-V-"},
      {SLA, 0x4000, 0, "---C", 0x8000, "N-VC"},
      {SLA, 0x0000, 0, "---C", 0x0000, "-ZVC"},
      {SLA, 0xC000, 0, "----", 0x8000, "N-V-"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "t=" << c.t << " a=" << c.a << " " << c.before);
    Machine x;
    x.m[reg::FLAGS] = FlagBits(c.before) | kLowBits;
    EnterFlags(x.m);
    EXPECT_EQ(ShiftOp(x.m, c.t, c.a), c.result);
    ExpectFlags(x, c.after);
  }
}

struct AddressCase {
  std::uint16_t op, ext, rn;
  std::uint16_t address, rnAfter;
  int pcAdvance;
};

TEST(Alu, BasedAddressModes) {
  // BASE0 = 0x1000, BASE1 = 0x2000, n = 3; the mode is opWord bits 6..4.
  const AddressCase cases[] = {
      {0x0003, 0, 0x8005, 0xA005, 0x8005, 1},       // mode 0, negative offset takes BASE1
      {0x0003, 0, 0x0005, 0x1005, 0x0005, 1},       // mode 0
      {0x0013, 0, 0x7FFF, 0xA000, 0x8000, 1},       // mode 1: the incremented value decides
      {0x0013, 0, 0xFFFF, 0x1000, 0x0000, 1},       // mode 1 wraps
      {0x0023, 0x8001, 0x1111, 0xA001, 0x1111, 2},  // mode 2: extWord, Rn untouched
      {0x0033, 0xFFF0, 0x0010, 0x1000, 0x0010, 2},  // mode 3: the sum decides the base
      {0x0033, 0x0001, 0x7FFF, 0xA000, 0x7FFF, 2},
      {0x0043, 0, 0x0000, 0x1000, 0xFFFF, 1},  // mode 4: post-decrement
      {0x0043, 0, 0x8000, 0xA000, 0x7FFF, 1},  // mode 4: the value before decides
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "op=" << c.op << " rn=" << c.rn);
    Machine x;
    x[reg::BASE0] = 0x1000;
    x[reg::BASE1] = 0x2000;
    x[reg::PC] = 0x0100;
    x[3] = c.rn;
    x.m.opWord = c.op;
    x.m.extWord = c.ext;
    EXPECT_EQ(BasedAddress(x.m, 3), c.address);
    EXPECT_EQ(x[3], c.rnAfter);
    EXPECT_EQ(x[reg::PC], 0x0100 + c.pcAdvance);
  }
}

TEST(Alu, IndirectAddressModes) {
  const AddressCase cases[] = {
      {0x0015, 0, 0x4000, 0x4000, 0x4000, 1},  // M[Rn]
      {0x0025, 0, 0x4000, 0x4001, 0x4001, 1},  // M[Rn++], pre-increment
      {0x0035, 0, 0x4001, 0x4001, 0x4000, 1},  // M[--Rn], post-decrement
      {0x0035, 0, 0x0000, 0x0000, 0xFFFF, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "op=" << c.op << " rn=" << c.rn);
    Machine x;
    x[reg::BASE0] = 0x1000;  // never added
    x[reg::PC] = 0x0100;
    x[5] = c.rn;
    x.m.opWord = c.op;
    EXPECT_EQ(IndirectAddress(x.m, 5), c.address);
    EXPECT_EQ(x[5], c.rnAfter);
    EXPECT_EQ(x[reg::PC], 0x0101);
  }
}

struct PairCase {
  bool intoR0R1;
  unsigned t, n;
  std::uint32_t q, p;  // R0:R1 and the pair R4:R5 (n = 4 or 5) before
  std::uint32_t r01, r45;
  const char* after;
  bool invalid;
};

TEST(Alu, PairOperations) {
  using namespace pair;
  const PairCase cases[] = {
      {true, MOV, 5, 0x11112222, 0x80000001, 0x80000001, 0x80000001, "N---", false},
      {false, MOV, 4, 0x00000000, 0x12345678, 0x00000000, 0x00000000, "-Z--", false},
      {true, ADD, 4, 0xFFFFFFFF, 0x00000001, 0x00000000, 0x00000001, "---C", false},
      {false, ADD, 5, 0x7FFFFFFF, 0x00000001, 0x7FFFFFFF, 0x80000000, "N-V-", false},
      {true, ADD, 4, 0x00000000, 0x00000000, 0x00000000, 0x00000000, "-Z--", false},
      {true, SUB, 4, 0x00000002, 0x00000001, 0xFFFFFFFF, 0x00000001, "N--C", false},
      {false, SUB, 4, 0x00000001, 0x80000000, 0x00000001, 0x7FFFFFFF, "--V-", false},
      {false, SUB, 4, 0x00010000, 0x00010000, 0x00010000, 0x00000000, "-Z--", false},
      {true, CMP, 4, 0x00000001, 0x80000000, 0x00000001, 0x80000000, "--V-", false},
      {false, CMP, 4, 0x00000002, 0x00000001, 0x00000002, 0x00000001, "N--C", false},
      {true, 3, 4, 0x00000001, 0x00000002, 0x00000001, 0x00000002, "----", true},
      {false, 5, 4, 0x00000001, 0x00000002, 0x00000001, 0x00000002, "----", true},
      {true, 6, 4, 0x00000001, 0x00000002, 0x00000001, 0x00000002, "----", true},
      {false, 7, 4, 0x00000001, 0x00000002, 0x00000001, 0x00000002, "----", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << (c.intoR0R1 ? "into R0:R1" : "into pair") << " t=" << c.t);
    Machine x;
    x.m[reg::FLAGS] = FlagBits("NZVC") | kLowBits;
    EnterFlags(x.m);
    x[0] = c.q >> 16, x[1] = c.q & 0xFFFF, x[4] = c.p >> 16, x[5] = c.p & 0xFFFF;
    if (c.intoR0R1) {
      PairOpIntoR0R1(x.m, c.t, c.n);
    } else {
      PairOpIntoPair(x.m, c.t, c.n);
    }
    EXPECT_EQ((static_cast<std::uint32_t>(x[0]) << 16) | x[1], c.r01);
    EXPECT_EQ((static_cast<std::uint32_t>(x[4]) << 16) | x[5], c.r45);
    ExpectFlags(x, c.after);
    EXPECT_EQ(x.Faults(), c.invalid ? fault::INVALID : 0);
  }
}

TEST(Alu, PairOfR0R1WithItself) {
  const struct {
    unsigned t, n;
    std::uint32_t r01;
    const char* after;
  } cases[] = {
      {pair::MOV, 0, 0x40000001, "----"},
      {pair::ADD, 1, 0x80000002, "N-V-"},
      {pair::SUB, 0, 0x00000000, "-Z--"},
  };
  for (const auto& c : cases) {
    for (bool intoR0R1 : {true, false}) {
      SCOPED_TRACE(::testing::Message() << "t=" << c.t << (intoR0R1 ? " into R0:R1" : ""));
      Machine x;
      x[0] = 0x4000, x[1] = 0x0001;
      x.m[reg::FLAGS] = kLowBits;
      EnterFlags(x.m);
      if (intoR0R1) {
        PairOpIntoR0R1(x.m, c.t, c.n);
      } else {
        PairOpIntoPair(x.m, c.t, c.n);
      }
      EXPECT_EQ((static_cast<std::uint32_t>(x[0]) << 16) | x[1], c.r01);
      ExpectFlags(x, c.after);
    }
  }
}

}  // namespace
}  // namespace kv74
