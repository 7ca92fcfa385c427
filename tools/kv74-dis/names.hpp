// What the debug information names: labels and comments at an address, which words are data,
// and instruction text with symbolic operands. Without debug information every answer is
// "nothing", so the printers need no second path.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "debuginfo/debug_info.hpp"

namespace kv74::dis {

class Names {
 public:
  Names() = default;
  // `forSource`: only names that the assembler reads back as names are used.
  Names(dbg::DebugInfo info, bool forSource);

  bool Active() const { return active_; }
  std::vector<std::string> LabelsAt(std::uint16_t address) const;
  const std::string* CommentAt(std::uint16_t address) const;
  // Who uses `address` ("called by sub_0100+3; read by 0150, ..."), empty for nobody.
  std::string XRefs(std::uint16_t address) const;
  // Data, not code: inside a data region, or outside every line entry when there are any.
  bool IsData(std::uint16_t address) const;
  // Where a run of words must end so that a label, comment or entry can start there.
  bool Boundary(std::uint16_t address) const;
  // Covered by a line entry: the debug information says it is an instruction or data word.
  bool Described(std::uint16_t address) const;

  // The instruction text of `word` at `address` with its address operands as names.
  std::string Symbolic(std::string text, std::uint16_t word, std::uint16_t ext,
                       std::uint16_t address);
  // The label exactly at `address`, for a comment on a call through the table.
  std::optional<std::string> LabelName(std::uint16_t address) const;

  // Source output: `NAME = value` lines for the names used but not printed as labels.
  void Placed(const std::string& name) { placed_.insert(name); }
  std::string Definitions() const;

 private:
  std::optional<std::string> Label(std::uint16_t address);  // as an operand
  std::optional<std::string> Jump(std::uint16_t target);
  std::optional<std::string> Cell(std::uint16_t value);
  std::optional<std::string> Io(std::uint16_t address);
  std::string Use(const dbg::Symbol& symbol, int offset = 0);

  bool active_ = false;
  dbg::DebugInfo info_;  // with only the usable, first-defined names
  std::map<std::uint32_t, std::vector<std::string>> equs_;  // .equ names by value
  std::map<std::string, std::uint32_t> used_;
  std::set<std::string> placed_;
};

}  // namespace kv74::dis
