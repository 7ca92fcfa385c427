// The routines of an image, for coverage and profile reports: where each starts, its name, and
// which are entered by a call or a request. A routine starts at a call or request target (seen in
// the code or in the run) and at a label that follows no code (the start of a section, such as
// the main loop); it reaches to the next start.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "board/machine.hpp"
#include "debug/collector.hpp"
#include "debuginfo/debug_info.hpp"

namespace kv74::debug {

class Routines {
 public:
  Routines(const dbg::DebugInfo& info, BoardState& m, const Collector& c);

  // Through unconditional absolute jumps outside program memory or without source (a jump slot
  // in RAM that a request vector points at) to the code they lead to.
  std::uint16_t Resolve(std::uint16_t a) const;
  // The start of the routine that holds a (resolved), if any.
  std::optional<std::uint16_t> Of(std::uint16_t a) const;
  std::string Name(std::uint16_t start) const;  // its label, or the address in hex
  const std::set<std::uint16_t>& Called() const { return called_; }
  // Calls and request entries into the routine at start (through jump slots too).
  std::uint64_t Entries(std::uint16_t start) const;

 private:
  const dbg::DebugInfo& info_;
  BoardState& m_;
  std::set<std::uint16_t> starts_, called_;
  std::map<std::uint16_t, std::uint64_t> entries_;
};

}  // namespace kv74::debug
