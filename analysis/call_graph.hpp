// The call graph of an analysed image in Graphviz's dot language: routines as nodes (name and
// size in words), calls as edges labelled with their sites.
#pragma once

#include <string>

#include "analysis/analysis.hpp"
#include "debuginfo/debug_info.hpp"

namespace kv74::ana {

std::string CallGraphDot(const Memory& memory, const Result& result, const dbg::DebugInfo& names);

}  // namespace kv74::ana
