// The assembler: source files in, the three memory images (plus listing, symbols and debug
// information) out.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "board/read_file.hpp"
#include "debuginfo/debug_info.hpp"
#include "tools/asm/diag.hpp"

namespace kv74::as {

// Reads a whole source file; nullopt with `error` set (the reason) if it cannot be read.
using FileReader =
    std::function<std::optional<std::string>(const std::string& path, std::string& error)>;

// Regular files of at most kMaxSourceBytes only.
std::optional<std::string> ReadFromDisk(const std::string& path, std::string& error);

inline constexpr std::size_t kMaxSourceBytes = input_limit::kSource;  // one file
inline constexpr std::size_t kMaxTotalBytes = 64u << 20;              // all files of a run together
inline constexpr int kMaxIncludes = 1000;  // .include lines followed in a run
inline constexpr std::size_t kMaxReportedErrors = 100;

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
  Diagnostics errors;             // sorted by file, line and column; at most kMaxReportedErrors
  std::size_t moreErrors = 0;     // found beyond those
  std::vector<AreaImage> images;  // the areas the source placed words in
  std::string listing;
  std::string symbols;
  dbg::DebugInfo debugInfo;  // symbols, source lines and data regions
};

Result Assemble(const std::string& path, const Options& options);

}  // namespace kv74::as
