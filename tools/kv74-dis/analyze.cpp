#include "tools/kv74-dis/analyze.hpp"

#include <cstdio>
#include <sstream>

#include "analysis/analysis.hpp"
#include "analysis/call_graph.hpp"
#include "analysis/debug_info.hpp"
#include "analysis/truth.hpp"
#include "board/read_file.hpp"
#include "tools/common/output.hpp"

namespace kv74::dis {
namespace {

std::optional<std::uint16_t> Hex(const std::string& s) {
  std::size_t used = 0;
  try {
    const unsigned long v = std::stoul(s, &used, 16);
    if (used == s.size() && v <= 0xFFFF) return static_cast<std::uint16_t>(v);
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

// Executed addresses: the PC column of kv74-run --trace lines ("step PC word next form"), or
// one hex address a line.
bool ReadTrace(const std::string& path, std::vector<std::uint16_t>& out) {
  const FileBytes text = ReadRegularFile(path, input_limit::kTrace);
  if (!text.ok()) {
    std::fprintf(stderr, "kv74-dis: cannot read trace '%s': %s\n", path.c_str(),
                 text.error.c_str());
    return false;
  }
  std::vector<bool> seen(0x10000);
  std::istringstream in(text.bytes);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string a, b;
    fields >> a >> b;
    const auto pc = Hex(b.empty() ? a : b);
    if (pc && !seen[*pc]) {
      seen[*pc] = true;
      out.push_back(*pc);
    }
  }
  return true;
}

bool Write(const std::string& path, const char* what, const std::string& text) {
  std::string error;
  if (fileio::WriteFile(what, path, text, error)) return true;
  std::fprintf(stderr, "kv74-dis: %s\n", error.c_str());
  return false;
}

}  // namespace

std::optional<dbg::DebugInfo> Analyze(const Image& image, std::uint32_t base,
                                      const AnalyzeRequest& request, const dbg::DebugInfo& given) {
  auto memory = std::make_unique<ana::Memory>();
  for (const auto& [withBase, path] : request.with) {
    std::string error;
    const auto other = Load(path, error);
    if (!other) {
      std::fprintf(stderr, "kv74-dis: cannot read '%s': %s\n", path.c_str(), error.c_str());
      return std::nullopt;
    }
    memory->Load(withBase, other->words);
  }
  memory->Load(base, image.words);
  ana::Options options;
  for (const std::string& e : request.entries) {
    if (const dbg::Symbol* s = given.Find(e)) {
      options.entries.push_back(static_cast<std::uint16_t>(s->value));
    } else if (const auto a = Hex(e.rfind("0x", 0) == 0 ? e.substr(2) : "-")) {
      options.entries.push_back(*a);
    } else {
      std::fprintf(stderr, "kv74-dis: --entry '%s' is neither 0x address nor a label\n", e.c_str());
      return std::nullopt;
    }
  }
  for (const dbg::DataRegion& d : given.data)  // "unknown": what an earlier run did not reach
    if (d.kind != "unknown") options.data.emplace_back(d.address, d.size);
  if (!request.trace.empty() && !ReadTrace(request.trace, options.executed)) return std::nullopt;
  const auto result = std::make_unique<ana::Result>(ana::Analyze(*memory, options));
  dbg::DebugInfo info = ana::ToDebugInfo(*memory, *result, given);
  if (!request.output.empty() &&
      !Write(request.output, "debug information", dbg::WriteDebugInfo(info)))
    return std::nullopt;
  if (!request.callGraph.empty() &&
      !Write(request.callGraph, "call graph", ana::CallGraphDot(*memory, *result, info)))
    return std::nullopt;
  if (!request.compare.empty()) {
    try {
      const ana::Figures f =
          ana::Compare(*memory, *result, dbg::ReadDebugInfo(request.compare), base,
                       base + static_cast<std::uint32_t>(image.words.size()));
      std::fputs(ana::FiguresText(f).c_str(), stderr);
    } catch (const dbg::DebugInfoError& e) {
      std::fprintf(stderr, "kv74-dis: %s\n", e.what());
      return std::nullopt;
    }
  }
  return info;
}

}  // namespace kv74::dis
