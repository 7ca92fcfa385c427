// Code locations as users write them, resolved through the debug information: a number (decimal,
// or hexadecimal with 0x), a label, LABEL+N, or FILE:LINE (every address the line emitted code
// at). Also the reverse: an address as "Label+3 (keys.asm:40)".
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "debuginfo/debug_info.hpp"

namespace kv74::debug {

class LocationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One address or more (FILE:LINE may have several); throws LocationError saying what is wrong.
// `info` may be null: then only numbers resolve.
std::vector<std::uint16_t> ResolveLocation(std::string_view text, const dbg::DebugInfo* info);

// "MainLoop+3 (keys.asm:40)", "MainLoop", "(keys.asm:40)" or "" when nothing is known.
std::string DescribeAddress(std::uint16_t address, const dbg::DebugInfo* info);

}  // namespace kv74::debug
