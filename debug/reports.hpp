// Coverage and profile files from what a Collector counted, in the formats the usual tools read:
//   LcovText       lcov tracefile: DA per source line with code, FN/FNDA per routine entered by a
//                  call or request, BRDA per conditional jump (taken, not taken); genhtml, lcov -a
//   CallgrindText  callgrind profile: events Steps and Calls per source line and routine, the call
//                  graph with call counts and inclusive cost; callgrind_annotate, KCachegrind
//   FoldedText     collapsed stacks, one "Outer;Inner;Leaf STEPS" line per call chain; flame graphs
//   RoutineCosts   the routines by steps and calls, for a debugger's profile view
// Source paths are absolute, or relative to `base` when one is given.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

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

// A routine that ran or was entered: its steps and its inclusive steps as the callgrind profile
// adds them up (inclusive: with the call tree only, else 0), and the calls and request entries
// into it.
struct RoutineCost {
  std::uint16_t start = 0;
  std::string name;
  std::uint64_t self = 0, inclusive = 0, calls = 0;
  bool operator==(const RoutineCost&) const = default;
};
// By start address.
std::vector<RoutineCost> RoutineCosts(const Collector& c, const dbg::DebugInfo& info,
                                      BoardState& m);

// Written to a temporary beside the file, renamed on success; std::runtime_error with the
// system's reason on failure (naming `what`).
void WriteReport(const std::filesystem::path& file, const std::string& text,
                 const char* what = "report");

// A source's path as the reports write it.
std::string ReportPath(const dbg::DebugInfo& info, int source, const std::filesystem::path* base);

}  // namespace kv74::debug
