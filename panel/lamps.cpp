#include "panel/lamps.hpp"

#include "board/machine.hpp"

namespace kv74 {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void SetCaption(ControlSurface& s, std::string_view name, char ch) {
  if (name.empty()) return;
  if (Control* c = s.Find(name)) c->SetCaption(std::string(1, ch));
}

}  // namespace

char HexDigitChar(unsigned d) {
  d &= 0xF;
  return d == 15 ? ' ' : kHex[d];
}

int IndicatorWord(int g) { return reg::IND1 + g - 1; }

void ShowIndicators(ControlSurface& s, int g, std::uint16_t word) {
  if (g < 1 || g > 4) return;
  const auto& names = INDICATOR_NAMES[static_cast<std::size_t>(g - 1)];
  auto nibble = [word](int k) { return static_cast<unsigned>(word >> (4 * k)) & 0xF; };
  if (g == 3) {
    SetCaption(s, names[0], HexDigitChar(nibble(0)));
    SetCaption(s, names[1], HexDigitChar(nibble(1)));
    SetCaption(s, names[2], nibble(3) == 15 ? '+' : '-');
    return;
  }
  for (int k = 0; k < 4; ++k)
    SetCaption(s, names[static_cast<std::size_t>(k)], HexDigitChar(nibble(k)));
}

void ShowLampRow(ControlSurface& s, const LampRow& row, std::uint16_t word) {
  for (int i = row.first; i < 16; ++i) {
    Control* c = s.Find(LampName(row, i));
    if (c == nullptr) continue;
    c->SetColour(((word >> i) & 1u) != 0 ? row.lit : colour::GREY);
  }
}

std::string HandshakeByteText(std::uint16_t seqCode) {
  return {kHex[(seqCode >> 8) & 0xF], kHex[(seqCode >> 4) & 0xF]};
}

}  // namespace kv74
