// Colours and fonts of the panel window: the classic silver desktop that the controller's panel
// was drawn on.
#pragma once

#include <QColor>
#include <QFont>
#include <cstdint>

#include "panel/appearance.hpp"

namespace kv74::qt {

// A 0x00BBGGRR colour as Qt sees it.
inline QColor FromBgr(std::uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

inline std::uint32_t ToBgr(const QColor& c) {
  return static_cast<std::uint32_t>(c.red()) | static_cast<std::uint32_t>(c.green()) << 8 |
         static_cast<std::uint32_t>(c.blue()) << 16;
}

namespace look {
inline const QColor kTooltipBackground = FromBgr(appearance::FIELD);  // the value panels
inline const QColor kScrollBar{212, 208, 200};  // background of the about box's memo
inline const QColor kLampCaption = FromBgr(appearance::LAMP_CAPTION);
inline const QColor kSegmentLit = FromBgr(appearance::SEGMENT_LIT);
inline const QColor kSegmentDark = FromBgr(appearance::SEGMENT_DARK);
inline const QColor kDisplayGlass = FromBgr(appearance::DISPLAY_GLASS);
}  // namespace look

// The small sans font of the window at a pixel height.
QFont PanelFont(int pixels, bool bold = false);

// Seven-segment digits; falls back to a bold sans font when the segment font is not installed.
QFont SegmentFont(int pixels);
bool HaveSegmentFont();

}  // namespace kv74::qt
