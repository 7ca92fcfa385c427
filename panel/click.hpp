// A user's click on a panel without widgets: toggles take their new state as a button would, then
// the control's handler runs. The Qt window gets the same from its widgets' signals.
#pragma once

#include <string_view>

#include "panel/panel.hpp"
#include "panel/surface.hpp"

namespace kv74 {

// Keys, jog toggles, uskor, the input lamps, clea and mash. Lamps other than ki, indicators,
// fields, labels, Kabout (the window's) and the hidden SAVE button take no clicks here.
bool IsClickable(std::string_view name);

// Clicks the control; returns false, doing nothing, when it is not clickable or not on the surface.
bool ClickControl(PanelLogic& panel, ControlSurface& s, std::string_view name);

}  // namespace kv74
