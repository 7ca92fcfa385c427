// Coverage and profile files from what a Collector counted, in the formats the usual tools read:
//   LcovText       lcov tracefile: DA per source line with code, FN/FNDA per routine entered by a
//                  call or request, BRDA per conditional jump (taken, not taken); genhtml, lcov -a
//   CallgrindText  callgrind profile: events Steps and Calls per source line and routine, the call
//                  graph with call counts and inclusive cost; callgrind_annotate, KCachegrind
//   FoldedText     collapsed stacks, one "Outer;Inner;Leaf STEPS" line per call chain; flame graphs
// Source paths are absolute, or relative to `base` when one is given.
#pragma once

#include <filesystem>
#include <string>

#include "board/machine.hpp"
#include "debug/collector.hpp"
#include "debuginfo/debug_info.hpp"

namespace kv74::debug {

struct ReportOptions {
  const std::filesystem::path* base = nullptr;
  std::string testName;  // lcov TN
};

std::string LcovText(const Collector& c, const dbg::DebugInfo& info, BoardState& m,
                     const ReportOptions& o = {});
std::string CallgrindText(const Collector& c, const dbg::DebugInfo& info, BoardState& m,
                          const ReportOptions& o = {});
std::string FoldedText(const Collector& c, const dbg::DebugInfo& info, BoardState& m);

// Written to a temporary beside the file, renamed on success; std::runtime_error with the
// system's reason on failure (naming `what`).
void WriteReport(const std::filesystem::path& file, const std::string& text,
                 const char* what = "report");

// A source's path as the reports write it.
std::string ReportPath(const dbg::DebugInfo& info, int source, const std::filesystem::path* base);

}  // namespace kv74::debug
