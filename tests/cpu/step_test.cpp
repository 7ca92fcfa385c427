// The step: fetch rule, PC check, request entry by priority and interrupt masking.
#include <gtest/gtest.h>

#include "tests/cpu/machine_fixture.hpp"

namespace kv74 {
namespace {

using testing::Machine;

TEST(Fetch, LatchesTheWordsAtThePcFromEveryArea) {
  const struct {
    std::uint16_t pc;
    std::uint16_t op, ext;
  } cases[] = {
      {0x0000, 0x1111, 0x2222},
      {0x1FFE, 0x1111, 0x2222},
      {0x1FFF, 0x1111, 0},
      {0x4000, 0x1111, 0x2222},
      {0x4FFF, 0x1111, 0},
      {0x7000, 0x1111, 0x2222},
      {0x7FFF, 0x1111, 0},
      // Outside the executable areas the previous words stay.
      {0x2000, 0xAAAA, 0xBBBB},
      {0x5000, 0xAAAA, 0xBBBB},
      {0xF013, 0xAAAA, 0xBBBB},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pc);
    Machine x;
    x.m.opWord = 0xAAAA, x.m.extWord = 0xBBBB;
    if (IsExecutable(c.pc)) {
      x.At(c.pc) = 0x1111;
      if (IsExecutable(static_cast<std::uint16_t>(c.pc + 1))) x.At(c.pc + 1) = 0x2222;
    }
    x[reg::PC] = c.pc;
    Fetch(x.m);
    EXPECT_EQ(x.m.opWord, c.op);
    EXPECT_EQ(x.m.extWord, c.ext);
    EXPECT_EQ(x.Faults(), 0);
    EXPECT_EQ(x[reg::PC], c.pc);
  }
}

TEST(Fetch, TwoWordInstructionOnTheLastWordSeesZero) {
  Machine x;
  x.At(0x4FFF) = 0xE380;  // MOV R3,extWord
  x.At(0x7000) = 0x7777;  // TableMemory follows DataMemory in the machine
  x[3] = 0x1234;
  x.RunAt(0x4FFF);
  EXPECT_EQ(x[3], 0);
}

// Both ways of running a step: Step, and the caller's fetch followed by ExecuteStep.
TEST(Step, IllegalPcEntersTheBadAddressHandler) {
  for (bool split : {false, true}) {
    for (std::uint16_t pc : {0x2000, 0x3FFF, 0x5000, 0x6FFF, 0x8000, 0xF013, 0xFFFF}) {
      SCOPED_TRACE(::testing::Message() << pc << (split ? " Fetch + ExecuteStep" : " Step"));
      Machine x;
      x[reg::SP] = 0x4100;
      x.At(239) = 0x0600;
      x[3] = 0x1234;
      x.m.opWord = 0xE380, x.m.extWord = 0x5555;  // latched from an earlier fetch: never runs
      if (split) {
        x[reg::PC] = pc;
        Fetch(x.m);
        ExecuteStep(x.m);
      } else {
        x.RunAt(pc);
      }
      EXPECT_EQ(x[reg::PC], 0x0600);
      EXPECT_EQ(x.At(0x4101), pc);
      EXPECT_EQ(x[reg::SP], 0x4101);
      EXPECT_EQ(x[3], 0x1234);
      EXPECT_EQ(x.Faults(), 0);
    }
  }
}

TEST(Step, RequestsByPriority) {
  const struct {
    std::uint16_t pending, mask;
    std::uint16_t pc;  // after the step
    std::uint16_t left;
    bool pushed;
  } cases[] = {
      {0x00FF, 0x0000, 0x0000, 0x00FE, false},  // restart first, nothing saved
      {0x00FE, 0x0000, 0x0191, 0x00FC, true},
      {0x00FC, 0x0000, 0x0239, 0x00F8, true},
      {0x00F8, 0x0000, 0x0255, 0x00F0, true},
      {0x0014, 0x0000, 0x0239, 0x0010, true},
      {0x00F0, 0x0000, 0x0139, 0x00E0, true},
      {0x00E0, 0x0000, 0x0136, 0x00C0, true},
      {0x00C0, 0x0000, 0x0137, 0x0080, true},
      {0x0080, 0x0000, 0x0138, 0x0000, true},
      // Word 22 bit 4 holds the interrupts back but never the faults.
      {0x00F0, 0x0010, 0x0124, 0x00F0, false},
      {0x0018, 0x0010, 0x0255, 0x0010, true},
      {0x0010, 0x00EF, 0x0139, 0x0000, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "pending " << c.pending << " mask " << c.mask);
    Machine x;
    // Each vector word names a handler whose address reads like the vector number.
    const std::uint16_t vectors[][2] = {{139, 0x0139}, {136, 0x0136}, {137, 0x0137}, {138, 0x0138},
                                        {191, 0x0191}, {239, 0x0239}, {255, 0x0255}};
    for (const auto& v : vectors) x.At(v[0]) = v[1];
    x[reg::SP] = 0x4100;
    x[reg::IMASK] = c.mask;
    x[reg::FAULTS] = c.pending;
    x.SetFlags("N-V-");
    x.Put(0x0123, {0xF9F4});  // STOP: runs only when no request is taken
    x.RunAt(0x0123);
    EXPECT_EQ(x[reg::PC], c.pc);
    EXPECT_EQ(x.Faults(), c.left);
    EXPECT_EQ(x[reg::SP], c.pushed ? 0x4101 : 0x4100);
    EXPECT_EQ(x.At(0x4101), c.pushed ? 0x0123 : 0);
    EXPECT_EQ(x.Flags(), "N-V-");
    EXPECT_EQ(x[reg::IMASK], c.mask);
  }
}

TEST(Step, InvalidInstructionHandlerSeesTheInstructionItself) {
  Machine x;
  x[reg::SP] = 0x4000;
  x.At(255) = 0x0500;
  x.Put(0x0200, {0x8000});
  x.RunAt(0x0200, 2);
  EXPECT_EQ(x[reg::PC], 0x0500);
  EXPECT_EQ(x.At(0x4001), 0x0200);
  EXPECT_EQ(x.Faults(), 0);
}

TEST(Step, BadDataAccessSavesTheNextInstruction) {
  Machine x;
  x[reg::SP] = 0x4000;
  x[reg::BASE0] = 0x2000;
  x.At(239) = 0x0500;
  x.Put(0x0200, {0x0100});  // MOV R1,M[BASE0+00]
  x.RunAt(0x0200, 2);
  EXPECT_EQ(x[reg::PC], 0x0500);
  EXPECT_EQ(x.At(0x4001), 0x0201);
}

TEST(Step, RequestEntryWithTheStackOutsideDataMemory) {
  Machine x;
  x[reg::SP] = 0x4FFF;
  x[reg::FAULTS] = fault::TIMER;
  x.At(139) = 0x0300;
  x.At(239) = 0x0400;
  x.RunAt(0x0123);
  EXPECT_EQ(x[reg::PC], 0x0300);
  EXPECT_EQ(x[reg::SP], 0x5000);
  EXPECT_EQ(x.Faults(), fault::BAD_ADDRESS);
  Step(x.m);  // the lost push is reported through the bad-address vector
  EXPECT_EQ(x[reg::PC], 0x0400);
  EXPECT_EQ(x[reg::SP], 0x5001);
}

TEST(Step, TimerRequestScenario) {
  Machine x;
  x[reg::FAULTS] = fault::TIMER;
  x[reg::SP] = 0x4100;
  x.At(139) = 0x0777;
  x.Put(0x0123, {0xE080, 0x0042});  // MOV R0,0042
  x.RunAt(0x0123);
  EXPECT_EQ(x.At(0x4101), 0x0123);
  EXPECT_EQ(x[reg::SP], 0x4101);
  EXPECT_EQ(x[reg::PC], 0x0777);
  EXPECT_EQ(x.Faults(), 0);
  EXPECT_EQ(x[0], 0);
  EXPECT_EQ(x.m.NotifyWord, 0u);
}

}  // namespace
}  // namespace kv74
