// The panel as a JSON object, for the headless runner's report:
// {"captions": {indicators and the fields n, kom, m, t, f, s, x, z},
//  "colours": {every v1_, v2_, ko, ki lamp: 0x00BBGGRR},
//  "LampPatternFlag": bool, "TraceGate": int, "ScaleFactor": int, "previousPoint": [row, column]}
#pragma once

#include <string>
#include <string_view>

#include "panel/panel.hpp"
#include "panel/surface.hpp"

namespace kv74 {

// A JSON string literal: quotes, backslashes and control characters escaped, other bytes (UTF-8)
// passed through.
std::string JsonString(std::string_view text);

std::string PanelJson(ControlSurface& s, const PanelLogic& panel);

}  // namespace kv74
