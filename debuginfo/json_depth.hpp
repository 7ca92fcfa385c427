// A look at JSON text before it is parsed: nesting deeper than a reader takes is refused up front,
// so no deep structure is ever built, walked or destroyed.
#pragma once

#include <string_view>

namespace kv74::dbg {

// True when arrays and objects nest more than maxDepth deep anywhere in text (strings skipped).
bool JsonDeeperThan(std::string_view text, int maxDepth);

}  // namespace kv74::dbg
