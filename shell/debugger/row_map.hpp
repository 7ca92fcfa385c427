// The disassembly's rows over the whole address space: one row per instruction start of the
// debug information's line table (its size in words), one per data word (.word) and one per
// word that neither covers. Rows never start inside an instruction.
#pragma once

#include <cstdint>
#include <vector>

#include "debuginfo/debug_info.hpp"

namespace kv74::shell::dbgwin {

class RowMap {
 public:
  // `info` may be null: then every word is a row of its own.
  explicit RowMap(const dbg::DebugInfo* info);

  int Rows() const { return static_cast<int>(starts_.size()); }
  std::uint16_t Address(int row) const { return starts_[static_cast<std::size_t>(row)]; }
  // The row holding `address`: the instruction it is part of.
  int RowOf(std::uint16_t address) const;
  // An instruction of the line table starts at the row (not data, not an unknown word).
  bool IsCode(int row) const { return code_[static_cast<std::size_t>(row)]; }

 private:
  std::vector<std::uint16_t> starts_;  // ascending, from 0x0000
  std::vector<bool> code_;
};

}  // namespace kv74::shell::dbgwin
