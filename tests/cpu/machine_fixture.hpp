// A machine to run tiny programs on, and the flags written as "NZVC" with '-' for a clear flag.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "board/machine.hpp"
#include "board/step.hpp"

namespace kv74::testing {

inline std::uint16_t& Cell(BoardState& m, std::uint16_t a) {
  if (a >= DATA_BASE && a < DATA_BASE + DATA_WORDS) return m.DataMemory[a - DATA_BASE];
  if (a >= TABLE_BASE && a < TABLE_BASE + TABLE_WORDS) return m.TableMemory[a - TABLE_BASE];
  return m.ProgramMemory[a % PROGRAM_WORDS];
}

// "N-VC" -> N and V and C set.
inline std::uint16_t FlagBits(std::string_view s) {
  const std::uint16_t bits[4] = {flag::N, flag::Z, flag::V, flag::C};
  std::uint16_t f = 0;
  for (std::size_t i = 0; i < 4 && i < s.size(); ++i) {
    if (s[i] != '-') f |= bits[i];
  }
  return f;
}

inline std::string FlagString(std::uint16_t f) {
  std::string s = "----";
  const char letters[] = "NZVC";
  for (int i = 0; i < 4; ++i) {
    if (f & (0x8000 >> i)) s[i] = letters[i];
  }
  return s;
}

struct Machine {
  std::unique_ptr<BoardState> state = std::make_unique<BoardState>();
  BoardState& m = *state;

  // Places words at an emulated address of ProgramMemory, DataMemory or TableMemory.
  void Put(std::uint16_t at, std::initializer_list<std::uint16_t> words) {
    for (std::uint16_t w : words) Cell(m, at++) = w;
  }
  std::uint16_t& At(std::uint16_t a) { return Cell(m, a); }
  std::uint16_t& operator[](int w) { return m[w]; }
  std::string Flags() const { return FlagString(m[reg::FLAGS]); }
  void SetFlags(std::string_view s) { m[reg::FLAGS] = FlagBits(s); }
  std::uint16_t Faults() const { return m[reg::FAULTS]; }

  // Runs the program at pc for the given number of steps.
  void RunAt(std::uint16_t pc, int steps = 1) {
    m[reg::PC] = pc;
    for (int i = 0; i < steps; ++i) Step(m);
  }
  // Places one instruction at pc and runs it.
  void Execute(std::uint16_t pc, std::initializer_list<std::uint16_t> words) {
    Put(pc, words);
    RunAt(pc);
  }
};

struct RegValue {
  int word;
  std::uint16_t value;
};
struct MemValue {
  std::uint16_t address, value;
};

// One instruction (or a few) run for one step from a prepared machine, and what must hold after.
struct ProgramCase {
  const char* name;
  std::vector<std::uint16_t> code;
  std::uint16_t at = 0x0100;
  std::vector<RegValue> regs = {};
  std::vector<MemValue> mem = {};
  const char* flags = "----";
  std::vector<RegValue> wantRegs = {};
  std::vector<MemValue> wantMem = {};
  const char* wantFlags = nullptr;  // not checked when null
  int wantPc = -1;                  // not checked when negative
  std::uint16_t wantFaults = 0;
  std::uint32_t wantNotify = 0;
};

inline void RunProgramCase(const ProgramCase& c) {
  SCOPED_TRACE(c.name);
  Machine x;
  x.SetFlags(c.flags);
  for (const RegValue& r : c.regs) x[r.word] = r.value;
  for (const MemValue& v : c.mem) x.At(v.address) = v.value;
  x.Put(c.at, {});
  for (std::size_t i = 0; i < c.code.size(); ++i) {
    x.At(static_cast<std::uint16_t>(c.at + i)) = c.code[i];
  }
  x.RunAt(c.at);
  for (const RegValue& r : c.wantRegs) {
    EXPECT_EQ(x[r.word], r.value) << "word " << r.word;
  }
  for (const MemValue& v : c.wantMem) {
    EXPECT_EQ(x.At(v.address), v.value) << std::hex << "address 0x" << v.address;
  }
  if (c.wantFlags != nullptr) {
    EXPECT_EQ(x.Flags(), c.wantFlags);
  }
  if (c.wantPc >= 0) {
    EXPECT_EQ(x[reg::PC], c.wantPc);
  }
  EXPECT_EQ(x.Faults(), c.wantFaults);
  EXPECT_EQ(x.m.NotifyWord, c.wantNotify);
}

}  // namespace kv74::testing
