#include "panel/controls.hpp"

#include <array>

#include "panel/surface.hpp"

namespace kv74 {
namespace {

using K = ControlKind;
using P = KeyPicture;

constexpr ControlInfo kItems[] = {
    // Containers, each after its parent: the three areas of the window, the indicator groups,
    // the keypads, the port lamp columns and the two pictures.
    {"PU", K::GroupBox, "", 0, P::None, {}, {"", 0, 0, 652, 296}},
    {"GroupBox7", K::GroupBox, "KE", 0, P::None, {}, {"", 652, 0, 62, 296}},
    {"new_pult", K::LoweredPanel, "", 0, P::None, {}, {"", 0, 296, 714, 72}},
    {"Podacha", K::GroupBox, "", 0, P::None, {}, {"PU", 6, 8, 140, 88}},
    {"Kadr", K::GroupBox, "", 0, P::None, {}, {"PU", 150, 8, 236, 88}},
    {"kadrPicture", K::Picture, "", 0, P::KadrPicture, {}, {"Kadr", 138, 8, 40, 52}},
    {"Digit", K::GroupBox, "", 0, P::None, {}, {"PU", 390, 8, 248, 88}},
    {"digitPictograms", K::Picture, "", 0, P::DigitPictograms, {}, {"Digit", 12, 72, 222, 12}},
    {"Panel33", K::RaisedPanel, "", 0, P::None, {}, {"PU", 6, 100, 120, 190}},
    {"Panel47", K::RaisedPanel, "", 0, P::None, {}, {"PU", 130, 100, 290, 190}},
    {"Panel2", K::RaisedPanel, "", 0, P::None, {}, {"PU", 424, 150, 106, 140}},
    {"Panel18", K::RaisedPanel, "", 0, P::None, {}, {"PU", 534, 150, 106, 140}},
    {"Pout", K::LoweredPanel, "", 0, P::None, {}, {"GroupBox7", 7, 20, 22, 254}},
    {"Pin", K::LoweredPanel, "", 0, P::None, {}, {"GroupBox7", 33, 20, 22, 254}},
    // The controls, in the order snapshots list them. A framed key stands in its frame lamp, six
    // pixels in; the port lamps stack fifteen apart with a wider gap between the two bytes.
    // The 42 push buttons: code = 8 x row + column.
    {"k0x09", K::Key, "X", 0, P::None, {}, {"Panel2", 71, 5, 30, 30}},
    {"k0x0A", K::Key, "Z", 0, P::None, {}, {"Panel2", 71, 38, 30, 30}},
    {"k0x0B", K::Key, "F", 0, P::None, {}, {"Panel2", 5, 104, 30, 30}},
    {"k0x0C", K::Key, "M", 0, P::None, {}, {"Panel2", 5, 71, 30, 30}},
    {"k0x0D", K::Key, "S", 0, P::None, {}, {"Panel2", 38, 71, 30, 30}},
    {"k0x0E", K::Key, "T", 0, P::None, {}, {"Panel2", 71, 71, 30, 30}},
    {"k0x11", K::Key, "P", 0, P::None, {}, {"Panel2", 71, 104, 30, 30}},
    {"k0x12", K::Key, "G", 0, P::None, {}, {"Panel2", 38, 5, 30, 30}},
    {"k0x13", K::Key, "0", 0, P::None, {}, {"Panel18", 38, 104, 30, 30}},
    {"k0x14", K::Key, "1", 0, P::None, {}, {"Panel18", 5, 71, 30, 30}},
    {"k0x15", K::Key, "2", 0, P::None, {}, {"Panel18", 38, 71, 30, 30}},
    {"k0x16", K::Key, "3", 0, P::None, {}, {"Panel18", 71, 71, 30, 30}},
    {"k0x19", K::Key, "4", 0, P::None, {}, {"Panel18", 5, 38, 30, 30}},
    {"k0x1A", K::Key, "5", 0, P::None, {}, {"Panel18", 38, 38, 30, 30}},
    {"k0x1B", K::Key, "6", 0, P::None, {}, {"Panel18", 71, 38, 30, 30}},
    {"k0x1C", K::Key, "7", 0, P::None, {}, {"Panel18", 5, 5, 30, 30}},
    {"k0x1D", K::Key, "8", 0, P::None, {}, {"Panel18", 38, 5, 30, 30}},
    {"k0x1E", K::Key, "9", 0, P::None, {}, {"Panel18", 71, 5, 30, 30}},
    {"k0x21", K::Key, "N", 0, P::None, {}, {"Panel2", 5, 5, 30, 30}},
    {"k0x22", K::Key, "", 0, P::Zigzag, {}, {"PU", 481, 107, 35, 35}},
    {"k0x23", K::Key, "+45", 0, P::None, {}, {"Panel2", 5, 38, 30, 30}},
    {"k0x24", K::Key, "-45", 0, P::None, {}, {"Panel2", 38, 38, 30, 30}},
    {"k0x25", K::Key, "", 0, P::AxesDimension, {}, {"PU", 436, 107, 35, 35}},
    {"k0x26", K::Key, "-", 0, P::None, {}, {"Panel18", 5, 104, 30, 30}},
    {"k0x29", K::Key, "", 0, P::ThreeSpokes, "v1_14", {"v1_14", 6, 6, 35, 35}},
    {"k0x2A", K::Key, "", 0, P::OpenHand, "v1_13", {"v1_13", 6, 6, 35, 35}},
    {"k0x2B", K::Key, "", 0, P::SquareArrows, "v1_12", {"v1_12", 6, 6, 35, 35}},
    {"k0x2C", K::Key, "", 0, P::DiamondLeft, "v1_11", {"v1_11", 6, 6, 35, 35}},
    {"k0x2D", K::Key, "", 0, P::DiamondRight, "v1_10", {"v1_10", 6, 6, 35, 35}},
    {"k0x2E", K::Key, "", 0, P::AxesDot, "v1_9", {"v1_9", 6, 6, 35, 35}},
    {"k0x31", K::Key, "", 0, P::ArrowIntoSolid, "v1_8", {"v1_8", 6, 6, 35, 35}},
    {"k0x32", K::Key, "", 0, P::ArrowInFramed, "v1_7", {"v1_7", 6, 6, 35, 35}},
    {"k0x33", K::Key, "", 0, P::Chevron, "v1_6", {"v1_6", 6, 6, 35, 35}},
    {"k0x34", K::Key, "", 0, P::ChevronP, "v1_5", {"v1_5", 6, 6, 35, 35}},
    {"k0x35", K::Key, "", 0, P::VerticalArrows, "v1_4", {"v1_4", 6, 6, 35, 35}},
    {"k0x36", K::Key, "", 0, P::HorizontalArrows, "v1_3", {"v1_3", 6, 6, 35, 35}},
    {"k0x39", K::Key, "C", 0, P::None, {}, {"Panel18", 71, 104, 30, 30}},
    {"k0x3A", K::Key, "", 0, P::Slashes, {}, {"Panel47", 80, 16, 35, 35}},
    {"k0x3B", K::Key, "", 0, P::DiamondHArrows, "v1_15", {"v1_15", 6, 6, 35, 35}},
    {"k0x3C", K::Key, "", 0, P::CircleTriangle, "v1_2", {"v1_2", 6, 6, 35, 35}},
    {"k0x3D", K::Key, "", 0, P::DiamondBar, "v1_1", {"v1_1", 6, 6, 35, 35}},
    {"k0x3E", K::Key, "*", 0, P::None, {}, {"Panel2", 38, 104, 30, 30}},
    // Jog toggles (lower-case digits in two of the names) and the speed-up toggle.
    {"k0x78", K::JogToggle, "", 0, P::ArrowUp, {}, {"Panel33", 42, 60, 35, 35}},
    {"k0x79", K::JogToggle, "", 0, P::ArrowDown, {}, {"Panel33", 42, 136, 35, 35}},
    {"k0x7a", K::JogToggle, "", 0, P::ArrowLeft, {}, {"Panel33", 4, 98, 35, 35}},
    {"k0x7b", K::JogToggle, "", 0, P::ArrowRight, {}, {"Panel33", 80, 98, 35, 35}},
    {"uskor", K::Toggle, "", 0, P::Zigzag, {}, {"Panel33", 42, 98, 35, 35}},
    // Digit indicators with their placeholder captions.
    {"al14", K::Indicator, "0", 0, P::None, {}, {"Podacha", 8, 10, 30, 38}},
    {"al13", K::Indicator, "0", 0, P::None, {}, {"Podacha", 40, 10, 30, 38}},
    {"al12", K::Indicator, "6", 0, P::None, {}, {"Podacha", 72, 10, 30, 38}},
    {"al11", K::Indicator, "8", 0, P::None, {}, {"Podacha", 104, 10, 30, 38}},
    {"al23", K::Indicator, "0", 0, P::None, {}, {"Kadr", 8, 10, 30, 38}},
    {"al22", K::Indicator, "4", 0, P::None, {}, {"Kadr", 40, 10, 30, 38}},
    {"al21", K::Indicator, "7", 0, P::None, {}, {"Kadr", 72, 10, 30, 38}},
    {"al34", K::Indicator, "-", 0, P::None, {}, {"Digit", 12, 32, 30, 38}},
    {"al32", K::Indicator, "8", 0, P::None, {}, {"Digit", 44, 32, 30, 38}},
    {"al31", K::Indicator, "9", 0, P::None, {}, {"Digit", 76, 32, 30, 38}},
    {"al44", K::Indicator, "0", 0, P::None, {}, {"Digit", 108, 32, 30, 38}},
    {"al43", K::Indicator, "C", 0, P::None, {}, {"Digit", 140, 32, 30, 38}},
    {"al42", K::Indicator, "4", 0, P::None, {}, {"Digit", 172, 32, 30, 38}},
    {"al41", K::Indicator, "5", 0, P::None, {}, {"Digit", 204, 32, 30, 38}},
    // Signal lamps: bit i of word 32; no lamp for bits 2 and 15.
    {"v2_0", K::SignalLamp, "Б", colour::BUTTON_FACE, P::None, {}, {"Podacha", 24, 51, 22, 22}},
    {"v2_1", K::SignalLamp, "!", colour::BUTTON_FACE, P::None, {}, {"Podacha", 94, 51, 22, 22}},
    {"v2_3", K::SignalLamp, "L", colour::BUTTON_FACE, P::None, {}, {"Kadr", 110, 10, 22, 22}},
    {"v2_4", K::SignalLamp, "-", colour::BUTTON_FACE, P::None, {}, {"Kadr", 182, 36, 22, 22}},
    {"v2_5", K::SignalLamp, "+", colour::BUTTON_FACE, P::None, {}, {"Kadr", 182, 10, 22, 22}},
    {"v2_6", K::SignalLamp, "W", colour::BUTTON_FACE, P::None, {}, {"Kadr", 110, 36, 22, 22}},
    {"v2_7", K::SignalLamp, "F", colour::BUTTON_FACE, P::None, {}, {"Digit", 215, 6, 22, 22}},
    {"v2_8", K::SignalLamp, "P", colour::BUTTON_FACE, P::None, {}, {"Digit", 186, 6, 22, 22}},
    {"v2_9", K::SignalLamp, "T", colour::BUTTON_FACE, P::None, {}, {"Digit", 157, 6, 22, 22}},
    {"v2_10", K::SignalLamp, "S", colour::BUTTON_FACE, P::None, {}, {"Digit", 128, 6, 22, 22}},
    {"v2_11", K::SignalLamp, "M", colour::BUTTON_FACE, P::None, {}, {"Digit", 99, 6, 22, 22}},
    {"v2_12", K::SignalLamp, "G", colour::BUTTON_FACE, P::None, {}, {"Digit", 70, 6, 22, 22}},
    {"v2_13", K::SignalLamp, "Z", colour::BUTTON_FACE, P::None, {}, {"Digit", 41, 6, 22, 22}},
    {"v2_14", K::SignalLamp, "X", colour::BUTTON_FACE, P::None, {}, {"Digit", 12, 6, 22, 22}},
    // Key frame lamps: bit i of word 31.
    {"v1_1",
     K::FrameLamp,
     "",
     colour::INACTIVE_CAPTION,
     P::None,
     {},
     {"Panel47", 121, 134, 45, 45}},
    {"v1_2", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None, {}, {"Panel47", 74, 134, 45, 45}},
    {"v1_3", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None, {}, {"Panel33", 65, 4, 45, 45}},
    {"v1_4", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None, {}, {"Panel33", 10, 4, 45, 45}},
    {"v1_5", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None, {}, {"PU", 588, 102, 45, 45}},
    {"v1_6", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None, {}, {"PU", 535, 102, 45, 45}},
    {"v1_7", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None, {}, {"Panel47", 168, 10, 45, 45}},
    {"v1_8", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None, {}, {"Panel47", 121, 10, 45, 45}},
    {"v1_9", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None, {}, {"Panel47", 239, 72, 45, 45}},
    {"v1_10",
     K::FrameLamp,
     "",
     colour::INACTIVE_CAPTION,
     P::None,
     {},
     {"Panel47", 192, 72, 45, 45}},
    {"v1_11",
     K::FrameLamp,
     "",
     colour::INACTIVE_CAPTION,
     P::None,
     {},
     {"Panel47", 145, 72, 45, 45}},
    {"v1_12", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None, {}, {"Panel47", 98, 72, 45, 45}},
    {"v1_13", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None, {}, {"Panel47", 51, 72, 45, 45}},
    {"v1_14", K::FrameLamp, "", colour::INACTIVE_CAPTION, P::None, {}, {"Panel47", 4, 72, 45, 45}},
    {"v1_15",
     K::FrameLamp,
     "",
     colour::INACTIVE_CAPTION,
     P::None,
     {},
     {"Panel47", 168, 134, 45, 45}},
    // Port lamps.
    {"ko0", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 4, 14, 14}},
    {"ko1", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 19, 14, 14}},
    {"ko2", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 34, 14, 14}},
    {"ko3", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 49, 14, 14}},
    {"ko4", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 64, 14, 14}},
    {"ko5", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 79, 14, 14}},
    {"ko6", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 94, 14, 14}},
    {"ko7", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 109, 14, 14}},
    {"ko8", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 129, 14, 14}},
    {"ko9", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 144, 14, 14}},
    {"ko10", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 159, 14, 14}},
    {"ko11", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 174, 14, 14}},
    {"ko12", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 189, 14, 14}},
    {"ko13", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 204, 14, 14}},
    {"ko14", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 219, 14, 14}},
    {"ko15", K::OutputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pout", 4, 234, 14, 14}},
    {"ki0", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 4, 14, 14}},
    {"ki1", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 19, 14, 14}},
    {"ki2", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 34, 14, 14}},
    {"ki3", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 49, 14, 14}},
    {"ki4", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 64, 14, 14}},
    {"ki5", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 79, 14, 14}},
    {"ki6", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 94, 14, 14}},
    {"ki7", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 109, 14, 14}},
    {"ki8", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 129, 14, 14}},
    {"ki9", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 144, 14, 14}},
    {"ki10", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 159, 14, 14}},
    {"ki11", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 174, 14, 14}},
    {"ki12", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 189, 14, 14}},
    {"ki13", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 204, 14, 14}},
    {"ki14", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 219, 14, 14}},
    {"ki15", K::InputLamp, "", colour::BUTTON_FACE, P::None, {}, {"Pin", 4, 234, 14, 14}},
    // The bottom strip.
    {"n", K::Field, "N", 0, P::None, {}, {"new_pult", 5, 5, 41, 30}},
    {"kom", K::Field, "kkk", 0, P::None, {}, {"new_pult", 50, 5, 431, 31}},
    {"m", K::Field, "z", 0, P::None, {}, {"new_pult", 512, 5, 41, 31}},
    {"z", K::Field, "z", 0, P::None, {}, {"new_pult", 630, 5, 79, 31}},
    {"f", K::Field, "z", 0, P::None, {}, {"new_pult", 206, 38, 80, 30}},
    {"s", K::Field, "z", 0, P::None, {}, {"new_pult", 316, 38, 74, 30}},
    {"t", K::Field, "z", 0, P::None, {}, {"new_pult", 420, 38, 41, 30}},
    {"x", K::Field, "z", 0, P::None, {}, {"new_pult", 630, 38, 79, 30}},
    {"clea", K::Button, "", 0, P::CircularArrows, {}, {"new_pult", 5, 38, 33, 30}},
    {"mash", K::Button, "x2", 0, P::None, {}, {"new_pult", 41, 38, 33, 30}},
    {"Button1", K::Button, "SAVE", 0, P::None, {}, {"new_pult", 77, 38, 46, 30}},
    {"Kabout", K::Button, "About", 0, P::None, {}, {"new_pult", 126, 38, 49, 30}},
    // Labels.
    {"Label6", K::Label, "БАТАРЕЯ", 0, P::None, {}, {"Podacha", 0, 74, 70, 13}},
    {"Label5", K::Label, "ВНИМАНИЕ", 0, P::None, {}, {"Podacha", 70, 74, 70, 13}},
    {"Label8", K::Label, "-45", 0, P::None, {}, {"Kadr", 207, 40, 26, 14}},
    {"Label7", K::Label, "+45", 0, P::None, {}, {"Kadr", 207, 14, 26, 14}},
    {"Label18", K::Label, "M", 0, P::None, {}, {"new_pult", 486, 5, 24, 31}},
    {"Label1", K::Label, "Z", 0, P::None, {}, {"new_pult", 606, 5, 24, 31}},
    {"Label40", K::Label, "F", 0, P::None, {}, {"new_pult", 184, 38, 22, 30}},
    {"Label41", K::Label, "S", 0, P::None, {}, {"new_pult", 294, 38, 22, 30}},
    {"Label38", K::Label, "T", 0, P::None, {}, {"new_pult", 398, 38, 22, 30}},
    {"Label3", K::Label, "X", 0, P::None, {}, {"new_pult", 606, 38, 24, 30}},
};

constexpr std::size_t kContainers = [] {
  std::size_t n = 0;
  while (IsContainer(kItems[n].kind)) ++n;
  return n;
}();

}  // namespace

std::span<const ControlInfo> PanelItems() { return kItems; }

std::span<const ControlInfo> PanelControls() { return PanelItems().subspan(kContainers); }

const ControlInfo* FindControlInfo(std::string_view name) {
  for (const ControlInfo& c : PanelControls()) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

const ControlInfo* FindPanelItem(std::string_view name) {
  for (const ControlInfo& c : kItems) {
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
