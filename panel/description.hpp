// The panel's description as one JSON object, for front ends that build the panel from data (the
// web page):
// {"width", "height", "maxWidth", "maxHeight": pixels,
//  "colours": {"window", "pu", "field", "text", "lampBorder", "lampCaption", "lampNumber",
//              "segmentLit", "segmentDark", "glass": 0x00BBGGRR},
//  "digitPixels", "lampNumberPixels": pixels,
//  "items": [every container, each after its parent, then every control in snapshot order:
//     {"name", "parent" ("" for the panel area), "kind" (ControlKind's name), "x", "y", "w", "h",
//      "caption", "colour" (0x00BBGGRR, lamps only), "font": {"pixels", "bold", "align":
//      "centre"|"left"}, "clickable", "code" (keys and jog toggles), "frame" (a framed key's
//      lamp), "face" and "faceSize" (picture keys and decorations), "number" (port lamps),
//      "hidden"}],
//  "faces": {picture name: {"width", "height", "layers": [{"d": SVG path data, "fill",
//     "stroke": "#rrggbb" or "none", "width", "join": "round"|"miter"} or {"text", "x", "y",
//     "w", "h", "pixels", "bold", "fill"}]}}}
// Optional members are left out when they do not apply.
#pragma once

#include <string>
#include <string_view>

#include "panel/controls.hpp"

namespace kv74 {

std::string PanelDescriptionJson();

// The name of a kind as the description writes it ("Key", "GroupBox", ...).
std::string_view ControlKindName(ControlKind kind);

}  // namespace kv74
