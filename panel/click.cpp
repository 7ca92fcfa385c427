#include "panel/click.hpp"

#include "panel/controls.hpp"

namespace kv74 {

bool IsClickable(std::string_view name) {
  const ControlInfo* info = FindControlInfo(name);
  if (info == nullptr) return false;
  switch (info->kind) {
    case ControlKind::Key:
    case ControlKind::JogToggle:
    case ControlKind::Toggle:
    case ControlKind::InputLamp: return true;
    case ControlKind::Button: return name == "clea" || name == "mash";
    default: return false;
  }
}

bool ClickControl(PanelLogic& panel, ControlSurface& s, std::string_view name) {
  Control* control = s.Find(name);
  if (!IsClickable(name) || control == nullptr) return false;
  switch (FindControlInfo(name)->kind) {
    case ControlKind::JogToggle:
      control->SetDown(!control->IsDown());
      panel.PultKeyClik(name);
      break;
    case ControlKind::Toggle:  // uskor: its state counts at the next jog click
      control->SetDown(!control->IsDown());
      break;
    case ControlKind::InputLamp: panel.KEoutClick(name); break;
    case ControlKind::Button:
      if (name == "clea") panel.cleaClick();
      if (name == "mash") panel.mashClick();
      break;
    default: panel.PultKeyClik(name); break;
  }
  return true;
}

}  // namespace kv74
