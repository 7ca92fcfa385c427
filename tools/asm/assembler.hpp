// The assembler: source files in, the three memory images (plus listing, symbols and debug
// information) out.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "debuginfo/debug_info.hpp"
#include "tools/asm/diag.hpp"

namespace kv74::as {

// Reads a whole source file; nullopt if it cannot be read.
using FileReader = std::function<std::optional<std::string>(const std::string& path)>;

std::optional<std::string> ReadFromDisk(const std::string& path);

struct Options {
  // -D NAME=VALUE: constants defined before the first line (VALUE is an expression).
  std::vector<std::pair<std::string, std::string>> defines;
  FileReader read = ReadFromDisk;
  // The folder that the debug information's source paths are written relative to; empty:
  // the paths as the sources were read.
  std::string debugInfoBase;
};

struct AreaImage {
  int area;  // index into kAreas
  std::vector<std::uint8_t> bytes;
};

struct Result {
  bool ok = false;
  Diagnostics errors;
  std::vector<AreaImage> images;  // the areas the source placed words in
  std::string listing;
  std::string symbols;
  dbg::DebugInfo debugInfo;  // symbols, source lines and data regions
};

Result Assemble(const std::string& path, const Options& options);

}  // namespace kv74::as
