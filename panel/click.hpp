// A user's click on a panel without widgets: toggles take their new state as a button would, then
// the control's handler runs. The Qt window gets the same from its widgets' signals.
#pragma once

#include <string_view>

#include "panel/panel.hpp"
#include "panel/surface.hpp"

namespace kv74 {

// Returns false for a name that takes no clicks (lamps other than ki, indicators, fields, labels,
// and the hidden SAVE button).
bool ClickControl(PanelLogic& panel, ControlSurface& s, std::string_view name);

}  // namespace kv74
