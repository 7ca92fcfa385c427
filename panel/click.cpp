#include "panel/click.hpp"

#include "panel/controls.hpp"

namespace kv74 {

bool ClickControl(PanelLogic& panel, ControlSurface& s, std::string_view name) {
  const ControlInfo* info = FindControlInfo(name);
  Control* control = s.Find(name);
  if (info == nullptr || control == nullptr) return false;
  switch (info->kind) {
    case ControlKind::Key: panel.PultKeyClik(name); return true;
    case ControlKind::JogToggle:
      control->SetDown(!control->IsDown());
      panel.PultKeyClik(name);
      return true;
    case ControlKind::Toggle:  // uskor: its state counts at the next jog click
      control->SetDown(!control->IsDown());
      return true;
    case ControlKind::InputLamp: panel.KEoutClick(name); return true;
    case ControlKind::Button:
      if (name == "clea") {
        panel.cleaClick();
        return true;
      }
      if (name == "mash") {
        panel.mashClick();
        return true;
      }
      return false;  // Kabout belongs to the window; Button1 is hidden and disabled
    default: return false;
  }
}

}  // namespace kv74
