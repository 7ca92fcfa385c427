// What the panel logic needs of a panel: controls found by their binding names, and a canvas
// for the tool path. The Qt window implements it with widgets; the headless runner with a table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv74 {

// Colours are 0x00BBGGRR values.
namespace colour {
inline constexpr std::uint32_t RED = 255;
inline constexpr std::uint32_t GREEN = 65280;
inline constexpr std::uint32_t GREY = 8421504;
inline constexpr std::uint32_t BLACK = 0x000000;
inline constexpr std::uint32_t WHITE = 0xFFFFFF;
// The panel's system colours: the classic silver button face, and the grey of an inactive
// caption that the key frame lamps show before their first refresh.
inline constexpr std::uint32_t BUTTON_FACE = 0xC0C0C0;
inline constexpr std::uint32_t INACTIVE_CAPTION = 0x808080;
}  // namespace colour

class Control {
 public:
  virtual ~Control() = default;
  virtual void SetCaption(const std::string& text) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetColour(std::uint32_t bgr) = 0;
  virtual std::uint32_t Colour() const = 0;
  // Toggle buttons (the jog keys and uskor); other controls are never down.
  virtual bool IsDown() const = 0;
  virtual void SetDown(bool down) = 0;
};

class ControlSurface {
 public:
  virtual ~ControlSurface() = default;
  // The control with this binding name, or nullptr when the panel has none.
  virtual Control* Find(std::string_view name) = 0;
};

// The plot's 1024 x 768 drawing surface; column 0 at the left, row 0 at the top.
class PlotCanvas {
 public:
  virtual ~PlotCanvas() = default;
  // Fill the whole surface with the button-face colour.
  virtual void Clear() = 0;
  // An ellipse in the box from (column - 1, row - 1) to (column + 1, row + 1), outlined in pen
  // and filled with the button-face colour; clipped by the surface.
  virtual void Ring(int column, int row, std::uint32_t pen) = 0;
};

}  // namespace kv74
