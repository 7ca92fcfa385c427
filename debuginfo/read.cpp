// Reading the debug information: every key checked, errors naming the key at fault, unknown
// keys ignored so that later versions stay readable where they only add.
#include <algorithm>
#include <nlohmann/json.hpp>

#include "board/read_file.hpp"
#include "board/shown.hpp"
#include "debuginfo/debug_info.hpp"
#include "debuginfo/json_depth.hpp"

namespace kv74::dbg {
namespace {

using nlohmann::json;

[[noreturn]] void Fail(const std::string& where, const std::string& message) {
  throw DebugInfoError(where + ": " + message);
}

// A value as a message shows it: a scalar as written, an array or object by its size only (so a
// deeply nested value is never walked).
std::string Shown(const json& value) {
  if (value.is_array()) return "an array of " + std::to_string(value.size());
  if (value.is_object()) return "an object of " + std::to_string(value.size()) + " keys";
  return kv74::Shown(value.dump(-1, ' ', false, json::error_handler_t::replace), 40);
}

// `object[key]`, or nullptr when absent; fails when required.
const json* Member(const json& object, const std::string& where, const char* key, bool required) {
  const auto it = object.find(key);
  if (it != object.end()) return &*it;
  if (required) Fail(where, std::string("missing key '") + key + "'");
  return nullptr;
}

std::int64_t Integer(const json& value, const std::string& where, std::int64_t min,
                     std::int64_t max) {
  bool ok = false;
  if (value.is_number_unsigned())
    ok = value.get<std::uint64_t>() <= static_cast<std::uint64_t>(max) &&
         static_cast<std::int64_t>(value.get<std::uint64_t>()) >= min;
  else if (value.is_number_integer())
    ok = value.get<std::int64_t>() >= min && value.get<std::int64_t>() <= max;
  if (!ok)
    Fail(where, "expected an integer " + std::to_string(min) + ".." + std::to_string(max) +
                    ", got " + Shown(value));
  return value.get<std::int64_t>();
}

std::string String(const json& value, const std::string& where) {
  if (!value.is_string()) Fail(where, "expected a string, got " + Shown(value));
  return value.get<std::string>();
}

// The array under `key` (absent = empty), each element an object handed to `each`.
template <typename Each>
void Objects(const json& root, const char* key, Each each) {
  const json* array = Member(root, "debug info", key, false);
  if (!array) return;
  if (!array->is_array()) Fail(key, "expected an array, got " + Shown(*array));
  for (std::size_t i = 0; i < array->size(); ++i) {
    const std::string where = std::string(key) + "[" + std::to_string(i) + "]";
    const json& element = (*array)[i];
    if (!element.is_object()) Fail(where, "expected an object, got " + Shown(element));
    each(element, where);
  }
}

void ReadHeader(const json& root) {
  if (!root.is_object()) Fail("debug info", "expected a JSON object, got " + Shown(root));
  const json& format = *Member(root, "debug info", "format", true);
  if (!format.is_string() || format.get<std::string>() != kFormat)
    Fail("format", "expected \"" + std::string(kFormat) + "\", got " + Shown(format));
  const json& version = *Member(root, "debug info", "version", true);
  if (!version.is_number_integer() || version.get<std::int64_t>() < 1)
    Fail("version", "expected a positive integer, got " + Shown(version));
  if (version.get<std::int64_t>() > kVersion)
    Fail("version", "version " + Shown(version) + " is newer than this program reads (" +
                        std::to_string(kVersion) + ")");
}

int SourceIndex(const json& object, const std::string& where, const DebugInfo& info,
                bool required) {
  const json* source = Member(object, where, "source", required);
  if (!source) return -1;
  const auto count = static_cast<std::int64_t>(info.sources.size());
  if (count == 0) Fail(where + ".source", "no \"sources\" to refer to");
  return static_cast<int>(Integer(*source, where + ".source", 0, count - 1));
}

Symbol ReadSymbol(const json& o, const std::string& where, const DebugInfo& info) {
  Symbol s;
  s.name = String(*Member(o, where, "name", true), where + ".name");
  if (s.name.empty()) Fail(where + ".name", "empty name");
  if (const json* kind = Member(o, where, "kind", false)) {
    const std::string k = String(*kind, where + ".kind");
    if (k == "equ")
      s.kind = Symbol::Kind::Equ;
    else if (k != "label")
      Fail(where + ".kind", "expected \"label\" or \"equ\", got " + Shown(*kind));
  }
  const std::int64_t max = s.kind == Symbol::Kind::Label ? 0xFFFF : 0xFFFFFFFF;
  s.value = static_cast<std::uint32_t>(
      Integer(*Member(o, where, "value", true), where + ".value", 0, max));
  s.source = SourceIndex(o, where, info, false);
  if (const json* line = Member(o, where, "line", false))
    s.line = static_cast<int>(Integer(*line, where + ".line", 1, 0x7FFFFFFF));
  return s;
}

LineEntry ReadLine(const json& o, const std::string& where, const DebugInfo& info) {
  LineEntry e;
  e.address = static_cast<std::uint16_t>(
      Integer(*Member(o, where, "address", true), where + ".address", 0, 0xFFFF));
  e.size = static_cast<std::uint16_t>(Integer(*Member(o, where, "size", true), where + ".size", 1,
                                              std::min<std::int64_t>(0xFFFF, 0x10000 - e.address)));
  // An analysed instruction has neither source nor line; a line needs its source, a source its
  // line.
  e.source = SourceIndex(o, where, info, Member(o, where, "line", false) != nullptr);
  if (const json* line = Member(o, where, "line", e.source >= 0))
    e.line = static_cast<int>(Integer(*line, where + ".line", 1, 0x7FFFFFFF));
  if (const json* found = Member(o, where, "found", false))
    e.traced = String(*found, where + ".found") == "trace";
  return e;
}

DataRegion ReadData(const json& o, const std::string& where) {
  DataRegion d;
  d.address = static_cast<std::uint16_t>(
      Integer(*Member(o, where, "address", true), where + ".address", 0, 0xFFFF));
  d.size = static_cast<std::uint32_t>(
      Integer(*Member(o, where, "size", true), where + ".size", 1, 0x10000 - d.address));
  if (const json* kind = Member(o, where, "kind", false)) d.kind = String(*kind, where + ".kind");
  return d;
}

}  // namespace

DebugInfo ParseDebugInfo(std::string_view text, std::filesystem::path baseDir) {
  if (JsonDeeperThan(text, kMaxDepth))
    throw DebugInfoError("nested more than " + std::to_string(kMaxDepth) + " deep");
  json root;
  try {
    root = json::parse(text.begin(), text.end());
  } catch (const json::exception& e) {  // a syntax error, or a number beyond a double's range
    throw DebugInfoError(std::string("not valid JSON: ") + e.what());
  }
  ReadHeader(root);
  DebugInfo info;
  info.baseDir = std::move(baseDir);
  if (const json* sources = Member(root, "debug info", "sources", false)) {
    if (!sources->is_array()) Fail("sources", "expected an array, got " + Shown(*sources));
    for (std::size_t i = 0; i < sources->size(); ++i)
      info.sources.push_back(String((*sources)[i], "sources[" + std::to_string(i) + "]"));
  }
  Objects(root, "symbols", [&](const json& o, const std::string& where) {
    info.symbols.push_back(ReadSymbol(o, where, info));
  });
  Objects(root, "lines", [&](const json& o, const std::string& where) {
    info.lines.push_back(ReadLine(o, where, info));
  });
  std::stable_sort(info.lines.begin(), info.lines.end(),
                   [](const LineEntry& a, const LineEntry& b) { return a.address < b.address; });
  for (std::size_t i = 1; i < info.lines.size(); ++i)
    if (info.lines[i].address < info.lines[i - 1].address + info.lines[i - 1].size)
      Fail("lines", "entries at " + std::to_string(info.lines[i - 1].address) + " and " +
                        std::to_string(info.lines[i].address) + " overlap");
  Objects(root, "data", [&](const json& o, const std::string& where) {
    info.data.push_back(ReadData(o, where));
  });
  Objects(root, "comments", [&](const json& o, const std::string& where) {
    const auto address = static_cast<std::uint16_t>(
        Integer(*Member(o, where, "address", true), where + ".address", 0, 0xFFFF));
    std::string& text = info.comments[address];
    if (!text.empty()) text += "; ";
    text += String(*Member(o, where, "text", true), where + ".text");
  });
  Objects(root, "xrefs", [&](const json& o, const std::string& where) {
    XRef x;
    x.from = static_cast<std::uint16_t>(
        Integer(*Member(o, where, "from", true), where + ".from", 0, 0xFFFF));
    x.to = static_cast<std::uint16_t>(
        Integer(*Member(o, where, "to", true), where + ".to", 0, 0xFFFF));
    if (const json* kind = Member(o, where, "kind", false)) x.kind = String(*kind, where + ".kind");
    info.xrefs.push_back(std::move(x));
  });
  std::stable_sort(info.xrefs.begin(), info.xrefs.end(), [](const XRef& a, const XRef& b) {
    return a.to != b.to ? a.to < b.to : a.from < b.from;
  });
  return info;
}

DebugInfo ReadDebugInfo(const std::filesystem::path& file) {
  const FileBytes text = ReadRegularFile(file, input_limit::kDebugInfo);
  if (!text.ok()) throw DebugInfoError(file.string() + ": cannot read the file: " + text.error);
  std::error_code ec;
  std::filesystem::path base = std::filesystem::absolute(file, ec).parent_path();
  if (ec) base = file.parent_path();
  try {
    return ParseDebugInfo(text.bytes, base);
  } catch (const DebugInfoError& e) {
    throw DebugInfoError(file.string() + ": " + e.what());
  }
}

}  // namespace kv74::dbg
