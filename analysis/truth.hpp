// The analysis measured against real debug information of the same image: how many instruction
// words it called code, data words data, and data words code; routines found against the
// labels that calls reach.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/analysis.hpp"
#include "debuginfo/debug_info.hpp"

namespace kv74::ana {

struct Figures {
  int instructionWords = 0, instructionsAsCode = 0;
  int dataWords = 0, dataAsData = 0, dataAsCode = 0;  // data: regions other than "unused"
  int unusedAsCode = 0;                               // gaps no source line placed
  int calledLabels = 0, calledLabelsFound = 0;        // labels that a direct or table call reaches
  int routines = 0;                                   // routines the analysis found
};

// Over the words [from, to) of the image.
Figures Compare(const Memory& memory, const Result& result, const dbg::DebugInfo& truth,
                std::uint32_t from, std::uint32_t to);
std::string FiguresText(const Figures& f);

}  // namespace kv74::ana
