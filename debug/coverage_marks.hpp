// What the coverage counted so far says of each instruction and source line, for a debugger's
// disassembly and source columns: a copy of a collector's counts taken at a step boundary.
//   Run     the instruction ran (a conditional jump both ways)
//   OneWay  a conditional jump that ran but was always taken, or never
//   Never   an instruction of the line table that never ran
//   None    anything else: data, words no instruction covers and nothing ran
// A source line is marked as the worst-off of its instructions that ran (OneWay over Run), or
// Never when none of them ran.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/machine.hpp"
#include "debug/collector.hpp"
#include "debuginfo/debug_info.hpp"

namespace kv74::debug {

enum class Mark : std::uint8_t { None, Run, OneWay, Never };

class CoverageMarks {
 public:
  // `info` may be null: then only what ran is marked.
  CoverageMarks(const Collector& c, const dbg::DebugInfo* info, BoardState& m);

  Mark Instruction(std::uint16_t a) const { return marks_[a]; }
  // The line whose entry starts at a; None where no entry starts.
  Mark Line(std::uint16_t a) const { return lines_[a]; }
  std::uint64_t Executed(std::uint16_t a) const { return executed_[a]; }
  // "ran 11 times: jumped 6, fell through 5", "never ran", "entered 3 times", ...
  std::string Describe(std::uint16_t a) const;

 private:
  std::vector<std::uint64_t> executed_, taken_, entered_;
  std::vector<Mark> marks_, lines_;
  std::vector<bool> conditional_;
};

}  // namespace kv74::debug
