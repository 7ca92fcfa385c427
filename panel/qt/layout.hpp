// Where every control and container of the panel window stands: a table of name, parent and
// geometry in the parent's coordinates. Parents come before their children. The controls' kinds
// and captions come from panel/controls.hpp; the containers' from the table here.
#pragma once

#include <span>
#include <string_view>

namespace kv74::qt {

inline constexpr int kFormWidth = 714;
inline constexpr int kFormHeight = 368;
inline constexpr int kFormMaxWidth = 790;
inline constexpr int kFormMaxHeight = 580;

struct Place {
  std::string_view name;
  std::string_view parent;  // empty: the window itself
  int x, y, w, h;
};

enum class ContainerKind {
  GroupBox,      // etched frame, optional caption
  RaisedPanel,   // the keypads
  LoweredPanel,  // the bottom strip and the port lamp columns
  KadrPicture,   // decorations
  DigitPictograms,
};

struct ContainerInfo {
  std::string_view name;
  ContainerKind kind;
  std::string_view caption = {};
};

std::span<const Place> PanelPlaces();
std::span<const ContainerInfo> PanelContainers();
const ContainerInfo* FindContainer(std::string_view name);

}  // namespace kv74::qt
