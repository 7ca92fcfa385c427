// Part-program blocks as source: `.block G1 X+\L1500 Z-200` becomes BlockTable entries of two
// words each: hi = end mark (bit 15) | L (bit 14) | flag pair (13..12) | type code (11..8) |
// value bits 23..16, lo = value bits 15..0.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/asm/diag.hpp"
#include "tools/asm/expr.hpp"

namespace kv74::as {

// Address letters in the order of their type codes 1..8.
inline constexpr char kBlockLetters[] = "XZGMSTPF";

// Flag pair of X and Z entries.
namespace blockflag {
inline constexpr unsigned NONE = 0;
inline constexpr unsigned PLUS = 1;   // "+\"
inline constexpr unsigned MINUS = 2;  // "-/"
inline constexpr unsigned W = 3;      // "w"
}  // namespace blockflag

struct BlockItem {
  char letter = 0;  // one of kBlockLetters
  unsigned flags = blockflag::NONE;
  bool lFlag = false;
  Span value;  // a decimal number or a parenthesised expression
};

struct BlockEntry {
  std::uint16_t hi = 0;
  std::uint16_t lo = 0;
};

// The items of a `.block` line (syntax only; values are evaluated later).
std::optional<std::vector<BlockItem>> ParseBlock(const Span& text, Diagnostic& error);

// One entry. X, Z, P, F take a signed 24-bit value; G, M, S, T up to six decimal digits, stored
// packed. Returns nullopt with `error` set when the value does not fit.
std::optional<BlockEntry> EncodeEntry(const BlockItem& item, std::int64_t value, bool last,
                                      std::string& error);

// All entries of a block, two words each, the last one with the end mark.
Value EmitBlock(const std::vector<BlockItem>& items, Scope& scope,
                std::vector<std::uint16_t>& words);

}  // namespace kv74::as
