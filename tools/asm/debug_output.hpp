// The debug information of an assembly: collected while assembling (sources as they are read,
// then the symbols and the placed statements), finished into the file's model.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "debuginfo/debug_info.hpp"
#include "tools/asm/diag.hpp"
#include "tools/asm/memory.hpp"

namespace kv74::as {

class DebugOutput {
 public:
  // Source paths are written relative to `base` (as read if empty).
  explicit DebugOutput(std::string base) : base_(std::move(base)) {}

  void AddSource(const std::string& path);  // the first time it is read
  // In the order of definition.
  void AddSymbol(const std::string& name, std::int64_t value, bool label, const Location& where);
  // `dataKind`: "word", "fill", "block" for data, nullptr for an instruction.
  void AddStatement(std::int64_t address, std::size_t words, const Location& where,
                    const char* dataKind);
  // `used[a]`: the assembly wrote area a; its words that no statement placed become "unused"
  // data.
  dbg::DebugInfo Finish(const bool (&used)[kAreaCount]);

 private:
  int SourceIndex(const std::string& path) const;
  std::string Relative(const std::string& path) const;

  std::string base_;
  std::map<std::string, int> sources_;  // path as read -> index
  dbg::DebugInfo info_;
};

}  // namespace kv74::as
