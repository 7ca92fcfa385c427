// The analysis as ordinary debug information: instructions as line entries without a source,
// data and unknown words as data regions ("unknown" for words nothing reaches), generated
// names, the I/O registers by their documented names, and the cross references. Names, data
// regions and comments of a given file win over generated ones.
#pragma once

#include "analysis/analysis.hpp"
#include "debuginfo/debug_info.hpp"

namespace kv74::ana {

// `given`: the user's debug information (may be empty).
dbg::DebugInfo ToDebugInfo(const Memory& memory, const Result& result, const dbg::DebugInfo& given);

// The generated name of a request handler (request line 1..7).
std::string HandlerName(int line);

}  // namespace kv74::ana
