#include "analysis/call_graph.hpp"

#include <algorithm>
#include <cstdio>
#include <map>

namespace kv74::ana {
namespace {

std::string Hex4(std::uint16_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", v);
  return buf;
}

std::string Quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string CallGraphDot(const Memory& memory, const Result& result, const dbg::DebugInfo& names) {
  const auto name = [&](std::uint16_t a) {
    const dbg::Symbol* s = names.LabelAt(a);
    return s ? s->name : Hex4(a);
  };
  std::string out = "digraph calls {\n  node [shape=box, fontname=\"monospace\"];\n";
  std::map<std::pair<std::uint16_t, std::uint16_t>, std::string>
      edges;  // (caller, callee) -> sites
  for (std::uint16_t r : result.routines) {
    if (!result.start[r]) continue;
    const std::vector<std::uint16_t> body = result.Body(memory, r);
    out += "  " + Quoted(Hex4(r)) + " [label=" +
           Quoted(name(r) + "\n" + Hex4(r) + ", " + std::to_string(body.size()) + " instr.") +
           "];\n";
    for (const Ref& ref : result.refs) {
      if (ref.kind != RefKind::Call || !std::binary_search(body.begin(), body.end(), ref.from))
        continue;
      std::string& sites = edges[{r, ref.to}];
      sites += (sites.empty() ? "" : " ") + Hex4(ref.from);
    }
  }
  for (const auto& [edge, sites] : edges)
    if (result.start[edge.second])
      out += "  " + Quoted(Hex4(edge.first)) + " -> " + Quoted(Hex4(edge.second)) +
             " [label=" + Quoted(sites) + "];\n";
  return out + "}\n";
}

}  // namespace kv74::ana
