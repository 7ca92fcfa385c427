// The part-program blocks in RAM and their text form.
//
// Entry i of the block table is two DataMemory words at 0x45A7 + 2i ("hi") and the word after it
// ("lo"). hi: bit 15 ends the block, bit 14 the L flag, bits 13..12 the direction flags, bits
// 11..8 the address letter, bits 7..0 bits 23..16 of the entry's number; lo: bits 15..0 of it.
#pragma once

#include <cstdint>
#include <string>

#include "board/machine.hpp"

namespace kv74 {

namespace entry {
inline constexpr std::uint16_t END = 0x8000;
inline constexpr std::uint16_t L_FLAG = 0x4000;
inline constexpr std::uint16_t MINUS = 0x2000;  // "-/ "; with PLUS: "w "
inline constexpr std::uint16_t PLUS = 0x1000;   // "+\ "
inline constexpr std::uint16_t FLAG_PAIR = MINUS | PLUS;
}  // namespace entry

// Entries 0..1323 fit in DataMemory.
inline constexpr std::uint32_t BLOCK_ENTRY_COUNT = (DATA_BASE + DATA_WORDS - cell::BLOCK_TABLE) / 2;

inline unsigned EntryType(std::uint16_t hi) { return (hi >> 8) & 0xF; }

// The 24-bit number as a signed value (bit 23 is the sign): X, Z, P and F.
std::int32_t EntryValue(std::uint16_t hi, std::uint16_t lo);

// The 24-bit number as six packed decimal digits, each group weighted even when above 9: G, M,
// S and T.
std::int32_t EntryDecimal(std::uint16_t hi, std::uint16_t lo);

// The text of one entry: marker (" *" when more follow, " " on the last), then letter and value.
std::string EntryText(std::uint16_t hi, std::uint16_t lo);

struct BlockText {
  std::string text;
  std::uint32_t entries = 0;  // entries decoded
  bool complete = false;      // false: the end of RAM came before an end mark
};

// Decodes the block that starts at entry `first`, stopping at the end mark or at the end of RAM.
BlockText DecodeBlockAt(const BoardState& m, std::uint16_t first);

}  // namespace kv74
