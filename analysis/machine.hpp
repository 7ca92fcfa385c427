// Debug information for the images a machine holds (program, data and table memory), for the
// front ends that find no debug-information file: their disassembly then starts at instruction
// starts and shows data as data.
#pragma once

#include "board/machine.hpp"
#include "debuginfo/debug_info.hpp"

namespace kv74::ana {

dbg::DebugInfo AnalyseMachine(const BoardState& m);

}  // namespace kv74::ana
