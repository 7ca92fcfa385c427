// How the panel's items look beyond their place and picture: the window's colours, and the text
// of each item (pixel size, weight, alignment). The Qt window and the web page both follow it.
#pragma once

#include <cstdint>

#include "panel/controls.hpp"
#include "panel/surface.hpp"

namespace kv74 {

// 0x00BBGGRR
namespace appearance {
inline constexpr std::uint32_t WINDOW = colour::BUTTON_FACE;  // the window and the strip
inline constexpr std::uint32_t PU = 0xC0C0C0;     // PU: the classic inactive caption text
inline constexpr std::uint32_t FIELD = 0xE1FFFF;  // value fields: the tooltip background
inline constexpr std::uint32_t TEXT = 0x000000;
inline constexpr std::uint32_t LAMP_BORDER = 0x404040;
inline constexpr std::uint32_t LAMP_CAPTION = 0x00FFFF;  // the signal lamps' letters
inline constexpr std::uint32_t LAMP_NUMBER = 0x303030;   // a port lamp's bit number
inline constexpr std::uint32_t SEGMENT_LIT = 0x60FF40;
inline constexpr std::uint32_t SEGMENT_DARK = 0x163410;
inline constexpr std::uint32_t DISPLAY_GLASS = 0x081206;
inline constexpr int DIGIT_PIXELS = 28;  // the seven-segment characters
inline constexpr int LAMP_NUMBER_PIXELS = 8;
}  // namespace appearance

enum class Align : std::uint8_t { Centre, Left };

struct TextStyle {
  int pixels;
  bool bold;
  Align align;
};

// The text of a key, button, lamp, field, label or group box caption.
TextStyle TextStyleOf(const ControlInfo& item);

// The side of a picture key's picture in pixels (25 on k0x2E, 32 elsewhere); 0 without one.
int PictureSize(const ControlInfo& item);

// The hidden, disabled SAVE button.
bool IsHidden(const ControlInfo& item);

// A port lamp's bit number (ko3 -> 3), or -1 for other items.
int PortLampNumber(const ControlInfo& item);

}  // namespace kv74
