// What connects the panel window to the panel logic: the hand-over runs RefreshPanel, and with
// direct clicks a click on the window is made at once on the window thread (without a running
// emulation; a session instead makes it through the emulation thread at a step boundary).
#pragma once

#include "panel/panel.hpp"
#include "panel/qt/form1.hpp"

namespace kv74::shell {

void WirePanel(qt::TForm1& form, PanelLogic& panel, bool directClicks = true);

}  // namespace kv74::shell
