#include "panel/appearance.hpp"

#include <string>

namespace kv74 {
namespace {

constexpr int kPanelPixels = 11;  // the window's text; bold inside PU

bool InsidePu(const ControlInfo& item) {
  for (const ControlInfo* at = &item; at != nullptr; at = FindPanelItem(at->place.parent)) {
    if (at->name == "PU") return true;
  }
  return false;
}

int KeyCaptionPixels(std::string_view caption) {
  if (caption == "*") return 35;
  if (caption == "+45" || caption == "-45") return 16;
  return 21;
}

}  // namespace

TextStyle TextStyleOf(const ControlInfo& item) {
  switch (item.kind) {
    case ControlKind::Key:
    case ControlKind::JogToggle:
    case ControlKind::Toggle: return {KeyCaptionPixels(item.caption), true, Align::Centre};
    case ControlKind::Button: return {kPanelPixels, item.caption == "x2", Align::Centre};
    case ControlKind::SignalLamp: return {16, true, Align::Centre};
    case ControlKind::Field: return {16, true, item.name == "kom" ? Align::Left : Align::Centre};
    case ControlKind::Label:
      if (item.place.parent == "new_pult") return {24, true, Align::Centre};
      return {kPanelPixels, InsidePu(item),
              item.place.parent == "Kadr" ? Align::Left : Align::Centre};
    default: return {kPanelPixels, InsidePu(item), Align::Centre};
  }
}

int PictureSize(const ControlInfo& item) {
  if (item.picture == KeyPicture::None || IsContainer(item.kind)) return 0;
  return item.name == "k0x2E" ? 25 : 32;
}

bool IsHidden(const ControlInfo& item) { return item.name == "Button1"; }

int PortLampNumber(const ControlInfo& item) {
  if (item.kind != ControlKind::OutputLamp && item.kind != ControlKind::InputLamp) return -1;
  return std::stoi(std::string(item.name.substr(2)));
}

}  // namespace kv74
