// What every key, lamp, indicator and field of the panel means to the bundled firmware, and the
// PC-keyboard shortcuts of the keypad: one table, so that a change of the firmware is one edit.
#pragma once

#include <string>
#include <string_view>

namespace kv74::qt {

class TForm1;

// The tooltip of a control by binding name (empty for none); it names the shortcut if there is one.
std::string TooltipOf(std::string_view name);

// The key clicked by a PC key (a Qt::Key value), or empty.
std::string_view ShortcutKey(int qtKey);

// Sets the tooltips of all controls of the window.
void ApplyTooltips(TForm1& form);

}  // namespace kv74::qt
