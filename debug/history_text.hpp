// The history as text: one line per step with its step number, address (and label and source
// line when the debug information knows them), disassembly and the registers it changed:
//   "  1234  0456 MainLoop+3 (keys.asm:40)  INC    R2          R2 0001->0002"
#pragma once

#include <string>
#include <vector>

#include "debug/history.hpp"
#include "debuginfo/debug_info.hpp"

namespace kv74::debug {

// R0..RF, BASE0, BASE1, SP, PC, FLAGS, SCRATCH, IMASK for the history's register words.
std::string RegisterName(int word);

// The newest `count` entries, oldest first; `now` is the machine after the newest entry.
std::vector<std::string> HistoryLines(const History& h, std::size_t count, const BoardState& now,
                                      const dbg::DebugInfo* info);

}  // namespace kv74::debug
