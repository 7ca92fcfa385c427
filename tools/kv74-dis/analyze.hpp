// kv74-dis --analyze: the image (and the images given with --with) analysed into debug
// information, written with -o, drawn as a call graph with --call-graph, compared with a real
// debug-information file with --compare.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "debuginfo/debug_info.hpp"
#include "tools/kv74-dis/image.hpp"

namespace kv74::dis {

struct AnalyzeRequest {
  std::vector<std::pair<std::uint32_t, std::string>> with;  // (base, path) of further images
  std::vector<std::string> entries;                         // addresses or labels
  std::string trace;      // executed addresses: a kv74-run --trace file or one address a line
  std::string output;     // -o
  std::string callGraph;  // --call-graph
  std::string compare;    // --compare
};

// The debug information for `image` at `base`; nullopt after a message on standard error.
std::optional<dbg::DebugInfo> Analyze(const Image& image, std::uint32_t base,
                                      const AnalyzeRequest& request, const dbg::DebugInfo& given);

}  // namespace kv74::dis
