#include "panel/qt/tooltips.hpp"

#include <array>

#include "panel/controls.hpp"
#include "panel/qt/form1.hpp"
#include "panel/qt/lamp.hpp"

namespace kv74::qt {
namespace {

struct Help {
  std::string_view name;
  std::string_view text;
  int key = 0;   // Qt::Key of the PC-keyboard shortcut, 0 for none
  int key2 = 0;  // a second one
};

// clang-format off
constexpr Help kHelp[] = {
    // Keypad: addresses, digits, sign, enter, cancel.
    {"k0x09", "X: show the X position on the Digit row; select X for an entry (a move in manual mode)", Qt::Key_X},
    {"k0x0A", "Z: show the Z position on the Digit row; select Z for an entry (a move in manual mode)", Qt::Key_Z},
    {"k0x0B", "F: show / enter the feed, 0..1000 (steps of the longer axis per 10,000 processor steps); not while a program runs", Qt::Key_F},
    {"k0x0C", "M: show / enter the M value, 0..99", Qt::Key_M},
    {"k0x0D", "S: show / enter the spindle speed, -32768..32767", Qt::Key_S},
    {"k0x0E", "T: show / enter the T value, 0..99", Qt::Key_T},
    {"k0x11", "P: show / enter the P value, any six digits", Qt::Key_P},
    {"k0x12", "G: show / enter the G value, 0..99", Qt::Key_G},
    {"k0x13", "digit 0", Qt::Key_0},
    {"k0x14", "digit 1", Qt::Key_1},
    {"k0x15", "digit 2", Qt::Key_2},
    {"k0x16", "digit 3", Qt::Key_3},
    {"k0x19", "digit 4", Qt::Key_4},
    {"k0x1A", "digit 5", Qt::Key_5},
    {"k0x1B", "digit 6", Qt::Key_6},
    {"k0x1C", "digit 7", Qt::Key_7},
    {"k0x1D", "digit 8", Qt::Key_8},
    {"k0x1E", "digit 9", Qt::Key_9},
    {"k0x21", "N: in automatic mode, with digits and *, the block the next start begins at", Qt::Key_N},
    {"k0x26", "-: change the sign of the value being typed", Qt::Key_Minus},
    {"k0x3E", "*: enter the typed value into the selected address", Qt::Key_Return, Qt::Key_Enter},
    {"k0x39", "C: discard the value being typed; with none, acknowledge an error, BATTERY, or restart after a fault", Qt::Key_Escape},
    // Mode and motion keys.
    {"k0x29", "Handwheel: manual mode (frame lit)"},
    {"k0x35", "In manual mode: jog axis X; press again to release it"},
    {"k0x36", "In manual mode: jog axis Z; press again to release it"},
    {"k0x2E", "In manual mode: return both axes to the reference point at rapid rate (frame lit while it runs)"},
    {"k0x3D", "Stop: both axes stop where they are; ends a program run"},
    {"k0x2B", "Automatic mode (frame lit)"},
    {"k0x33", "Start: runs the stored program in automatic mode (frame lit while it runs)"},
    {"k0x2A", "Hold: the axes stop, press again or start to go on"},
    {"k0x32", "Single block on/off: the run stops before each block until start"},
    {"k0x78", "Jog up: toward minus on the jog axis, every jog period while down; stops at the minimum"},
    {"k0x79", "Jog down: toward plus on the jog axis, every jog period while down; stops at the maximum"},
    {"k0x7a", "Jog left: toward minus on the jog axis, every jog period while down; stops at the minimum"},
    {"k0x7b", "Jog right: toward plus on the jog axis, every jog period while down; stops at the maximum"},
    {"uskor", "Rapid jog: put it down before an arrow for ten times the jog distance at rapid rate"},
    // Indicators.
    {"al1", "Podacha: the feed F, 0000..1000"},
    {"al2", "Kadr: the index of the current part-program block"},
    {"al3", "Digit row: the selected address's value, the value being typed, or an error -E nn"},
    {"al4", "Digit row: the selected address's value, the value being typed, or an error -E nn"},
    // Signal lamps.
    {"v2_0", "BATTERY: the RAM contents were lost and the defaults restored; C clears it"},
    {"v2_1", "ATTENTION: an error or fault is shown, or the machine is not ready"},
    {"v2_3", "Not used by this firmware"},
    {"v2_4", "Not used by this firmware"},
    {"v2_5", "Not used by this firmware"},
    {"v2_6", "Not used by this firmware"},
    {"v2_7", "F is shown on the Digit row"},
    {"v2_8", "P is shown on the Digit row"},
    {"v2_9", "T is shown on the Digit row"},
    {"v2_10", "S is shown on the Digit row"},
    {"v2_11", "M is shown on the Digit row"},
    {"v2_12", "G is shown on the Digit row"},
    {"v2_13", "Z is shown on the Digit row"},
    {"v2_14", "X is shown on the Digit row"},
    // Port lamps with a meaning.
    {"ko11", "Output 11: not used"},
    {"ko12", "Output 12: not used"},
    {"ko14", "Output 14: axis drives enabled (on while the machine is ready)"},
    {"ko15", "Output 15: alarm to the machine (not ready, or a fault)"},
    {"ki8", "Input 8: machine ready; click to toggle"},
    {"ki14", "Input 14: set and cleared by the machine during a function exchange; click to toggle"},
    // The bottom strip.
    {"n", "N: the block being executed"},
    {"kom", "The block being executed, decoded; every block is also added to prog.txt"},
    {"x", "X position, in display units of two steps (a diameter)"},
    {"z", "Z position, in display units of two steps"},
    {"f", "Feed F, 0..1000: as typed or programmed; the axes run at it"},
    {"s", "Spindle speed"},
    {"m", "Last M code sent to the machine"},
    {"t", "Last T code sent to the machine"},
    {"clea", "Clear the plot"},
    {"mash", "Plot scale x1 / x2"},
    {"Kabout", "About the program"},
};
// clang-format on

const Help* FindHelp(std::string_view name) {
  for (const Help& h : kHelp) {
    if (h.name == name) return &h;
  }
  return nullptr;
}

std::string ShortcutName(int key) {
  switch (key) {
    case Qt::Key_Return: return "Enter";
    case Qt::Key_Escape: return "Esc";
    default: return std::string(1, static_cast<char>(key));
  }
}

// The text of controls that share a meaning: indicators by group, frame lamps by their key, port
// lamps without a use, keys without a function.
std::string Derived(std::string_view name, const ControlInfo& info) {
  switch (info.kind) {
    case ControlKind::Indicator:
      if (const Help* h = FindHelp(name.substr(0, 3))) return std::string(h->text);
      return {};
    case ControlKind::FrameLamp:
      for (const ControlInfo& key : PanelControls()) {
        if (key.frame == name)
          return "Frame of key " + std::string(key.name) + ": lit as the key's mode is on";
      }
      return {};
    case ControlKind::OutputLamp:
      return "Output " + std::string(name.substr(2)) +
             (name == "ko13" || name.size() == 3 || name == "ko10"
                  ? ": function exchange with the machine (automatic mode)"
                  : "");
    case ControlKind::InputLamp:
      return "Input " + std::string(name.substr(2)) + ": not used; click to toggle";
    case ControlKind::Key: return "No function in this firmware";
    default: return {};
  }
}

}  // namespace

std::string TooltipOf(std::string_view name) {
  const ControlInfo* info = FindControlInfo(name);
  const Help* h = FindHelp(name);
  std::string text = h != nullptr ? std::string(h->text) : info ? Derived(name, *info) : "";
  if (h != nullptr && h->key != 0) text += " [key " + ShortcutName(h->key) + "]";
  return text;
}

std::string_view ShortcutKey(int qtKey) {
  if (qtKey == Qt::Key_Asterisk) return "k0x3E";
  for (const Help& h : kHelp) {
    if (h.key != 0 && (h.key == qtKey || h.key2 == qtKey)) return h.name;
  }
  return {};
}

void ApplyTooltips(TForm1& form) {
  for (const ControlInfo& info : PanelControls()) {
    QWidget* w = form.Widget(info.name);
    if (w == nullptr) continue;
    const std::string text = TooltipOf(info.name);
    if (!text.empty()) w->setToolTip(QString::fromStdString(text));
  }
}

}  // namespace kv74::qt
