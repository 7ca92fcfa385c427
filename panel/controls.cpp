#include "panel/controls.hpp"

#include <array>

#include "panel/surface.hpp"

namespace kv74 {
namespace {

using K = ControlKind;
using P = KeyPicture;

constexpr ControlInfo kControls[] = {
    // The 42 push buttons: code = 8 x row + column.
    {"k0x09", K::Key, "X", 0, P::None},
    {"k0x0A", K::Key, "Z", 0, P::None},
    {"k0x0B", K::Key, "F", 0, P::None},
    {"k0x0C", K::Key, "M", 0, P::None},
    {"k0x0D", K::Key, "S", 0, P::None},
    {"k0x0E", K::Key, "T", 0, P::None},
    {"k0x11", K::Key, "P", 0, P::None},
    {"k0x12", K::Key, "G", 0, P::None},
    {"k0x13", K::Key, "0", 0, P::None},
    {"k0x14", K::Key, "1", 0, P::None},
    {"k0x15", K::Key, "2", 0, P::None},
    {"k0x16", K::Key, "3", 0, P::None},
    {"k0x19", K::Key, "4", 0, P::None},
    {"k0x1A", K::Key, "5", 0, P::None},
    {"k0x1B", K::Key, "6", 0, P::None},
    {"k0x1C", K::Key, "7", 0, P::None},
    {"k0x1D", K::Key, "8", 0, P::None},
    {"k0x1E", K::Key, "9", 0, P::None},
    {"k0x21", K::Key, "N", 0, P::None},
    {"k0x22", K::Key, "", 0, P::Zigzag},
    {"k0x23", K::Key, "+45", 0, P::None},
    {"k0x24", K::Key, "-45", 0, P::None},
    {"k0x25", K::Key, "", 0, P::AxesDimension},
    {"k0x26", K::Key, "-", 0, P::None},
    {"k0x29", K::Key, "", 0, P::ThreeSpokes, "v1_14"},
    {"k0x2A", K::Key, "", 0, P::OpenHand, "v1_13"},
    {"k0x2B", K::Key, "", 0, P::SquareArrows, "v1_12"},
    {"k0x2C", K::Key, "", 0, P::DiamondLeft, "v1_11"},
    {"k0x2D", K::Key, "", 0, P::DiamondRight, "v1_10"},
    {"k0x2E", K::Key, "", 0, P::AxesDot, "v1_9"},
    {"k0x31", K::Key, "", 0, P::ArrowIntoSolid, "v1_8"},
    {"k0x32", K::Key, "", 0, P::ArrowInFramed, "v1_7"},
    {"k0x33", K::Key, "", 0, P::Chevron, "v1_6"},
    {"k0x34", K::Key, "", 0, P::ChevronP, "v1_5"},
    {"k0x35", K::Key, "", 0, P::VerticalArrows, "v1_4"},
    {"k0x36", K::Key, "", 0, P::HorizontalArrows, "v1_3"},
    {"k0x39", K::Key, "C", 0, P::None},
    {"k0x3A", K::Key, "", 0, P::Slashes},
    {"k0x3B", K::Key, "", 0, P::DiamondHArrows, "v1_15"},
    {"k0x3C", K::Key, "", 0, P::CircleTriangle, "v1_2"},
    {"k0x3D", K::Key, "", 0, P::DiamondBar, "v1_1"},
    {"k0x3E", K::Key, "*", 0, P::None},
    // Jog toggles (lower-case digits in two of the names) and the speed-up toggle.
    {"k0x78", K::JogToggle, "", 0, P::ArrowUp},
    {"k0x79", K::JogToggle, "", 0, P::ArrowDown},
    {"k0x7a", K::JogToggle, "", 0, P::ArrowLeft},
    {"k0x7b", K::JogToggle, "", 0, P::ArrowRight},
    {"uskor", K::Toggle, "", 0, P::Zigzag},
    // Digit indicators with their placeholder captions.
    {"al14", K::Indicator, "0", 0, P::None},
    {"al13", K::Indicator, "0", 0, P::None},
    {"al12", K::Indicator, "6", 0, P::None},
    {"al11", K::Indicator, "8", 0, P::None},
    {"al23", K::Indicator, "0", 0, P::None},
    {"al22", K::Indicator, "4", 0, P::None},
    {"al21", K::Indicator, "7", 0, P::None},
    {"al34", K::Indicator, "-", 0, P::None},
    {"al32", K::Indicator, "8", 0, P::None},
    {"al31", K::Indicator, "9", 0, P::None},
    {"al44", K::Indicator, "0", 0, P::None},
    {"al43", K::Indicator, "C", 0, P::None},
    {"al42", K::Indicator, "4", 0, P::None},
    {"al41", K::Indicator, "5", 0, P::None},
    // Signal lamps: bit i of word 32; no lamp for bits 2 and 15.
    {"v2_0", K::SignalLamp, "Б", colour::BUTTON_FACE, P::None},
    {"v2_1", K::SignalLamp, "!", colour::BUTTON_FACE, P::None},
    {"v2_3", K::SignalLamp, "L", colour::BUTTON_FACE, P::None},
    {"v2_4", K::SignalLamp, "-", colour::BUTTON_FACE, P::None},
    {"v2_5", K::SignalLamp, "+", colour::BUTTON_FACE, P::None},
    {"v2_6", K::SignalLamp, "W", colour::BUTTON_FACE, P::None},
    {"v2_7", K::SignalLamp, "F", colour::BUTTON_FACE, P::None},
    {"v2_8", K::SignalLamp, "P", colour::BUTTON_FACE, P::None},
    {"v2_9", K::SignalLamp, "T", colour::BUTTON_FACE, P::None},
    {"v2_10", K::SignalLamp, "S", colour::BUTTON_FACE, P::None},
    {"v2_11", K::SignalLamp, "M", colour::BUTTON_FACE, P::None},
    {"v2_12", K::SignalLamp, "G", colour::BUTTON_FACE, P::None},
    {"v2_13", K::SignalLamp, "Z", colour::BUTTON_FACE, P::None},
    {"v2_14", K::SignalLamp, "X", colour::BUTTON_FACE, P::None},
    // Key frame lamps: bit i of word 31.
    {"v1_1", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    {"v1_2", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    {"v1_3", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    {"v1_4", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    {"v1_5", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    {"v1_6", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    {"v1_7", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    {"v1_8", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    {"v1_9", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    {"v1_10", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    {"v1_11", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    {"v1_12", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    {"v1_13", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    {"v1_14", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    {"v1_15", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None},
    // Port lamps.
    {"ko0", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko1", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko2", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko3", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko4", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko5", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko6", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko7", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko8", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko9", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko10", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko11", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko12", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko13", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko14", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ko15", K::OutputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki0", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki1", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki2", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki3", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki4", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki5", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki6", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki7", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki8", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki9", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki10", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki11", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki12", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki13", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki14", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    {"ki15", K::InputLamp, "", colour::BUTTON_FACE, P::None},
    // The bottom strip.
    {"n", K::Field, "N", 0, P::None},
    {"kom", K::Field, "kkk", 0, P::None},
    {"m", K::Field, "z", 0, P::None},
    {"z", K::Field, "z", 0, P::None},
    {"f", K::Field, "z", 0, P::None},
    {"s", K::Field, "z", 0, P::None},
    {"t", K::Field, "z", 0, P::None},
    {"x", K::Field, "z", 0, P::None},
    {"clea", K::Button, "", 0, P::CircularArrows},
    {"mash", K::Button, "x2", 0, P::None},
    {"Button1", K::Button, "SAVE", 0, P::None},
    {"Kabout", K::Button, "About", 0, P::None},
    // Labels.
    {"Label6", K::Label, "БАТАРЕЯ", 0, P::None},
    {"Label5", K::Label, "ВНИМАНИЕ", 0, P::None},
    {"Label8", K::Label, "-45", 0, P::None},
    {"Label7", K::Label, "+45", 0, P::None},
    {"Label18", K::Label, "M", 0, P::None},
    {"Label1", K::Label, "Z", 0, P::None},
    {"Label40", K::Label, "F", 0, P::None},
    {"Label41", K::Label, "S", 0, P::None},
    {"Label38", K::Label, "T", 0, P::None},
    {"Label3", K::Label, "X", 0, P::None},
};

}  // namespace

std::span<const ControlInfo> PanelControls() { return kControls; }

const ControlInfo* FindControlInfo(std::string_view name) {
  for (const ControlInfo& c : kControls) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

int KeyCodeFromName(std::string_view name) {
  if (name.size() < 5) return -1;
  std::string_view digits = name.substr(1, 4);
  if (digits[0] != '0' || (digits[1] != 'x' && digits[1] != 'X')) return -1;
  int value = 0;
  for (char ch : digits.substr(2)) {
    int d = -1;
    if (ch >= '0' && ch <= '9')
      d = ch - '0';
    else if (ch >= 'a' && ch <= 'f')
      d = ch - 'a' + 10;
    else if (ch >= 'A' && ch <= 'F')
      d = ch - 'A' + 10;
    if (d < 0) return -1;
    value = value * 16 + d;
  }
  return value;
}

}  // namespace kv74
