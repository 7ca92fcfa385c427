// The monitor's printed views of the machine: addresses with their symbol and source line,
// registers, memory words, disassembly and the panel as the window shows it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "board/machine.hpp"
#include "debuginfo/debug_info.hpp"
#include "panel/surface.hpp"

namespace kv74::mon {

// Symbol lookups over optional debug information.
class Symbols {
 public:
  explicit Symbols(const dbg::DebugInfo* info) : info_(info) {}
  const dbg::DebugInfo* Info() const { return info_; }

  std::optional<std::int64_t> Value(std::string_view name) const;
  // "PollKeys+3 (keys.asm:9)", "PollKeys", "(keys.asm:9)" or "" as far as known.
  std::string Where(std::uint16_t address) const;

 private:
  const dbg::DebugInfo* info_;
};

// "0x0123 PollKeys+3 (keys.asm:9): MOV    R0,[F126]"
std::string InstructionLine(const BoardState& m, const Symbols& symbols, std::uint16_t address,
                            int* length = nullptr);

// The processor registers, flags and pending requests, a few lines.
std::string RegistersText(const BoardState& m);

// COUNT words from ADDR, eight to a line, each line led by its address (and symbol).
std::string WordsText(const BoardState& m, const Symbols& symbols, std::uint16_t address,
                      std::uint64_t count);

// COUNT instructions from ADDR, with a label line where one starts; data regions of the debug
// information print as .word.
std::string DisassemblyText(const BoardState& m, const Symbols& symbols, std::uint16_t address,
                            std::uint64_t count);

// Indicator and field captions, and every lamp row as '*' (lit) and '.' (dark).
std::string PanelText(ControlSurface& panel);

// "7200 (0x1C20)"
std::string ValueText(std::int64_t v);

}  // namespace kv74::mon
