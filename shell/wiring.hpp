// What connects the panel window to the panel logic: the hand-over runs RefreshPanel, key and
// input-lamp clicks run PultKeyClik and KEoutClick, the plot buttons cleaClick and mashClick.
#pragma once

#include "panel/panel.hpp"
#include "panel/qt/form1.hpp"

namespace kv74::shell {

void WirePanel(qt::TForm1& form, PanelLogic& panel);

}  // namespace kv74::shell
