// The panel's one description: every control and container by binding name, with its kind,
// what it shows before its first refresh, its picture and its place; and the codes of the keys.
// The panel logic, the headless runner, the Qt window and the web page all take it from here.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kv74 {

enum class ControlKind : std::uint8_t {
  Key,         // push button, writes its code to the keyboard register
  JogToggle,   // k0x78..k0x7b: one exclusive group that may be all up
  Toggle,      // uskor: a toggle of its own
  Indicator,   // digit indicator al11..al44
  SignalLamp,  // v2_0..v2_14, word 32
  FrameLamp,   // v1_1..v1_15, word 31, frames one key
  OutputLamp,  // ko0..ko15, word 36
  InputLamp,   // ki0..ki15, word 35, clickable
  Field,       // value panels of the bottom strip
  Button,      // clea, mash, Button1, Kabout
  Label,       // text beside a lamp or field
  // Containers: they hold controls and take no part in the panel logic.
  GroupBox,      // etched frame, optional caption
  RaisedPanel,   // the keypads
  LoweredPanel,  // the bottom strip and the port lamp columns
  Picture,       // a decoration drawn from its picture
};

constexpr bool IsContainer(ControlKind k) { return k >= ControlKind::GroupBox; }

// Pictures of the picture keys and the two decorations; panel/faces.hpp draws them.
enum class KeyPicture : std::uint8_t {
  None,              // the key shows its caption
  Zigzag,            // k0x22, uskor
  AxesDimension,     // k0x25: axes corner, dot at the origin, dimension arrow between two bars
  ThreeSpokes,       // k0x29: circle with three spokes meeting at a small ring
  OpenHand,          // k0x2A
  SquareArrows,      // k0x2B: square outline with arrows running around it
  DiamondLeft,       // k0x2C: diamond with an arrow pointing left
  DiamondRight,      // k0x2D: diamond with an arrow pointing right
  AxesDot,           // k0x2E: axes corner with a dot at the origin
  ArrowIntoSolid,    // k0x31: arrow pointing into a solid arrow-shaped block
  ArrowInFramed,     // k0x32: arrow inside a framed arrow-shaped block
  Chevron,           // k0x33: right-pointing chevron
  ChevronP,          // k0x34: the chevron with a letter P inside
  VerticalArrows,    // k0x35: vertical double-headed arrow
  HorizontalArrows,  // k0x36: horizontal double-headed arrow
  Slashes,           // k0x3A: two parallel slanted strokes
  DiamondHArrows,    // k0x3B: diamond with a horizontal double-headed arrow
  CircleTriangle,    // k0x3C: circle with a downward-pointing triangle
  DiamondBar,        // k0x3D: diamond with a vertical bar
  ArrowUp,           // k0x78
  ArrowDown,         // k0x79
  ArrowLeft,         // k0x7a
  ArrowRight,        // k0x7b
  CircularArrows,    // clea: two green circular arrows
  KadrPicture,       // kadrPicture: axes with a dimension arrow over a zigzag line
  DigitPictograms,   // digitPictograms: a sign, then digit brackets with a decimal point
};

// The panel area's size; the window may grow to the maximum, never shrink below it.
inline constexpr int PANEL_WIDTH = 714;
inline constexpr int PANEL_HEIGHT = 368;
inline constexpr int PANEL_MAX_WIDTH = 790;
inline constexpr int PANEL_MAX_HEIGHT = 580;

// Where an item stands: its parent (empty: the panel area itself) and its geometry in the
// parent's coordinates.
struct Place {
  std::string_view parent;
  int x, y, w, h;
};

struct ControlInfo {
  std::string_view name;
  ControlKind kind;
  std::string_view caption;  // initial caption, or the face text of a caption key
  std::uint32_t colour;      // initial colour of a lamp (0x00BBGGRR); 0 for other controls
  KeyPicture picture;
  std::string_view frame;  // the frame lamp around a key, if any
  Place place;
};

// The containers, each after its parent, then the controls. A control's parent is a container
// or (a framed key's) its frame lamp, which may come later.
std::span<const ControlInfo> PanelItems();

// Every control of the panel, in the order snapshots list them.
std::span<const ControlInfo> PanelControls();

// The control for a binding name, or nullptr (also for a container).
const ControlInfo* FindControlInfo(std::string_view name);

// The control or container for a name, or nullptr.
const ControlInfo* FindPanelItem(std::string_view name);

// The code a key writes: characters 2 to 5 of its name read as a hexadecimal number with its
// "0x" prefix ("k0x1D" -> 29, "k0x7a" -> 122). -1 when the name has no such number.
int KeyCodeFromName(std::string_view name);

// Code of the first jog toggle; the four toggles are 120..123 (124..127 with uskor down).
inline constexpr int JOG_CODE_FIRST = 0x78;
inline constexpr int JOG_CODE_THRESHOLD = 112;  // codes above it are jog codes

}  // namespace kv74
