#include "panel/input.hpp"

#include "panel/controls.hpp"

namespace kv74 {

std::uint16_t KeyboardCode(int code, const KeyContext& c) {
  if (c.uskorDown && code > JOG_CODE_THRESHOLD) code += 4;
  if (code > JOG_CODE_THRESHOLD && !c.anyJogDown) code = 0;
  if (code == KEY_WITHHELD && c.lampPattern && c.blockIndex > WITHHOLD_AFTER_BLOCK) code = 0;
  return static_cast<std::uint16_t>(code & 0xFFFF);
}

bool IsDown(ControlSurface& s, std::string_view name) {
  Control* c = s.Find(name);
  return c != nullptr && c->IsDown();
}

void ApplyJogGroup(ControlSurface& s, std::string_view clicked) {
  if (!IsDown(s, clicked)) return;
  for (std::string_view name : JOG_NAMES) {
    if (name == clicked) continue;
    if (Control* c = s.Find(name); c != nullptr && c->IsDown()) c->SetDown(false);
  }
}

std::uint32_t JogButtonsOf(ControlSurface& s) {
  std::uint32_t bits = 0;
  for (std::size_t i = 0; i < JOG_NAMES.size(); ++i) {
    if (IsDown(s, JOG_NAMES[i])) bits |= JOG_BITS[i];
  }
  return bits;
}

}  // namespace kv74
