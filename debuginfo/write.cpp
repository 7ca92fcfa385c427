// Writing the debug information: fixed key order, one record per line, so that the same
// contents always give the same bytes and a diff shows what moved.
#include <nlohmann/json.hpp>

#include "debuginfo/debug_info.hpp"

namespace kv74::dbg {
namespace {

std::string Quoted(const std::string& text) {
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// `"key": [` records `]`, each record produced by `one` on its own line.
template <typename Range, typename One>
void Array(std::string& out, const char* key, const Range& range, One one, bool last = false) {
  out += std::string("  \"") + key + "\": [";
  bool first = true;
  for (const auto& element : range) {
    out += first ? "\n    " : ",\n    ";
    out += one(element);
    first = false;
  }
  out += first ? "]" : "\n  ]";
  out += last ? "\n" : ",\n";
}

std::string Field(const char* key, std::int64_t value) {
  return std::string("\"") + key + "\": " + std::to_string(value);
}

}  // namespace

std::string WriteDebugInfo(const DebugInfo& info) {
  std::string out = "{\n  \"format\": " + Quoted(std::string(kFormat)) + ",\n  " +
                    Field("version", kVersion) + ",\n";
  Array(out, "sources", info.sources, Quoted);
  Array(out, "symbols", info.symbols, [](const Symbol& s) {
    std::string r = "{\"name\": " + Quoted(s.name) + ", " + Field("value", s.value) +
                    ", \"kind\": \"" + (s.kind == Symbol::Kind::Equ ? "equ" : "label") + "\"";
    if (s.source >= 0) r += ", " + Field("source", s.source);
    if (s.line > 0) r += ", " + Field("line", s.line);
    return r + "}";
  });
  Array(out, "lines", info.lines, [](const LineEntry& e) {
    std::string r = "{" + Field("address", e.address) + ", " + Field("size", e.size);
    if (e.source >= 0) r += ", " + Field("source", e.source);
    if (e.line > 0) r += ", " + Field("line", e.line);
    if (e.traced) r += ", \"found\": \"trace\"";
    return r + "}";
  });
  Array(out, "data", info.data, [](const DataRegion& d) {
    return "{" + Field("address", d.address) + ", " + Field("size", d.size) +
           ", \"kind\": " + Quoted(d.kind) + "}";
  });
  Array(
      out, "comments", info.comments,
      [](const auto& c) {
        return "{" + Field("address", c.first) + ", \"text\": " + Quoted(c.second) + "}";
      },
      info.xrefs.empty());
  if (!info.xrefs.empty())  // only analysed images have them: an assembler's file stays as it was
    Array(
        out, "xrefs", info.xrefs,
        [](const XRef& x) {
          return "{" + Field("from", x.from) + ", " + Field("to", x.to) +
                 ", \"kind\": " + Quoted(x.kind) + "}";
        },
        true);
  return out + "}\n";
}

}  // namespace kv74::dbg
