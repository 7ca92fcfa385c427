// Debug information of an image: its symbols, the source line of every instruction and data
// word, the regions that hold data, and comments. Stored as a JSON file ("kv74-debug-info",
// version 1; docs/debug-info.md) that kv74-as writes and a user may write by hand.
//
//   Symbol, LineEntry, DataRegion,  the records
//   XRef
//   DebugInfo                       the whole file, with its lookups
//   ReadDebugInfo / ParseDebugInfo  from a file / from text (throw DebugInfoError)
//   WriteDebugInfo                  to text, the same bytes for the same contents
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv74::dbg {

inline constexpr std::string_view kFormat = "kv74-debug-info";
inline constexpr int kVersion = 1;
inline constexpr int kMaxDepth = 16;  // JSON nesting a reader takes

struct Symbol {
  enum class Kind { Label, Equ };
  std::string name;
  std::uint32_t value = 0;  // a label's address, or an .equ's constant
  Kind kind = Kind::Label;
  int source = -1;  // index into DebugInfo::sources, -1 = unknown
  int line = 0;     // 1-based, 0 = unknown
  bool operator==(const Symbol&) const = default;
};

// One instruction or data directive: `size` words from `address`, written on `line` of
// `source`. An instruction found by analysing an image has no source (-1, line 0); `traced`
// marks one that only a run's executed addresses led to.
struct LineEntry {
  std::uint16_t address = 0;
  std::uint16_t size = 1;
  int source = 0;
  int line = 0;
  bool traced = false;
  bool operator==(const LineEntry&) const = default;
};

// Words that hold data, not code. `kind` says what made them: "word", "fill", "block",
// "table", "text", ... (free text; readers need not know it).
struct DataRegion {
  std::uint16_t address = 0;
  std::uint32_t size = 1;
  std::string kind = "word";
  bool operator==(const DataRegion&) const = default;
};

// A use of `to` by the instruction at `from`: "call", "jump", "branch", "read", "write" or
// "table" (free text; readers need not know it).
struct XRef {
  std::uint16_t from = 0, to = 0;
  std::string kind;
  bool operator==(const XRef&) const = default;
};

class DebugInfoError : public std::runtime_error {
 public:
  using runtime_error::runtime_error;
};

struct DebugInfo {
  std::filesystem::path baseDir;  // folder of the file it was read from
  std::vector<std::string> sources;
  std::vector<Symbol> symbols;
  std::vector<LineEntry> lines;  // sorted by address
  std::vector<DataRegion> data;
  std::map<std::uint16_t, std::string> comments;
  std::vector<XRef> xrefs;  // sorted by `to`, then `from`

  const Symbol* Find(std::string_view name) const;     // by name, exact
  const Symbol* LabelAt(std::uint16_t address) const;  // the first label exactly there
  std::vector<const Symbol*> LabelsAt(std::uint16_t address) const;  // all, in file order
  // The nearest label at or below `address` in the same memory area (program, data, table
  // memory or the I/O page), and the offset from it.
  std::optional<std::pair<const Symbol*, int>> NearestLabel(std::uint16_t address) const;
  const LineEntry* LineAt(std::uint16_t address) const;  // the entry covering address
  std::filesystem::path SourcePath(int source) const;    // baseDir / sources[source]
  // First addresses of the entries on that line; `file` matches a source by full path, by
  // the path as listed in `sources`, or by file name alone.
  std::vector<std::uint16_t> AddressesOf(std::string_view file, int line) const;
  bool IsData(std::uint16_t address) const;
  const DataRegion* DataAt(std::uint16_t address) const;          // the region covering address
  std::vector<const XRef*> XRefsTo(std::uint16_t address) const;  // who uses address

  bool operator==(const DebugInfo&) const = default;
};

DebugInfo ReadDebugInfo(const std::filesystem::path& file);
DebugInfo ParseDebugInfo(std::string_view json, std::filesystem::path baseDir);
std::string WriteDebugInfo(const DebugInfo& info);

}  // namespace kv74::dbg
