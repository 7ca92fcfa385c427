// Indicators and lamp rows: what a register word looks like on the panel.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "panel/surface.hpp"

namespace kv74 {

// One indicator character: 0..9 -> "0".."9", 10..14 -> "A".."E", 15 -> a blank.
char HexDigitChar(unsigned d);

// The four indicator groups, each listed from the lowest nibble upward.
inline constexpr std::array<std::array<std::string_view, 4>, 4> INDICATOR_NAMES{{
    {"al11", "al12", "al13", "al14"},
    {"al21", "al22", "al23", ""},
    {"al31", "al32", "al34", ""},
    {"al41", "al42", "al43", "al44"},
}};

// The register word that group g (1..4) shows.
int IndicatorWord(int g);

// Captions of group g from its word. Group 3 shows two digits and a sign: "+" when bits 12..15
// are all set, "-" otherwise; bits 8..11 are not shown. Group 2 leaves bits 12..15 unshown.
void ShowIndicators(ControlSurface& s, int g, std::uint16_t word);

// A row of lamps named prefix + decimal index; bit i lit shows `lit`, clear shows grey.
struct LampRow {
  std::string_view prefix;
  int first;  // the v1_ row has no lamp for bit 0
  int word;
  std::uint32_t lit;
};

inline constexpr LampRow KEY_LAMPS{"v1_", 1, 31, colour::RED};
inline constexpr LampRow SIGNAL_LAMPS{"v2_", 0, 32, colour::RED};
inline constexpr LampRow OUTPUT_LAMPS{"ko", 0, 36, colour::RED};
inline constexpr LampRow INPUT_LAMPS{"ki", 0, 35, colour::GREEN};
inline constexpr std::array<LampRow, 4> LAMP_ROWS{KEY_LAMPS, SIGNAL_LAMPS, OUTPUT_LAMPS,
                                                  INPUT_LAMPS};

inline std::string LampName(const LampRow& row, int i) {
  return std::string(row.prefix) + std::to_string(i);
}

// Colours every lamp of the row that the surface has; missing names are skipped.
void ShowLampRow(ControlSurface& s, const LampRow& row, std::uint16_t word);

// The key frame lamp pattern that withholds key 59: bits 6 and 10 set, bit 5 clear.
inline bool LampPatternFlagOf(std::uint16_t word31) { return (word31 & 0x0460) == 0x0440; }

// Two upper-case hex digits of bits 4..11 of the latched handshake code.
std::string HandshakeByteText(std::uint16_t seqCode);

}  // namespace kv74
