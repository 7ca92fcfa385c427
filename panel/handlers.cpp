#include <string>

#include "cpu/shared.hpp"
#include "panel/cells.hpp"
#include "panel/controls.hpp"
#include "panel/input.hpp"
#include "panel/lamps.hpp"
#include "panel/panel.hpp"

namespace kv74 {

void PanelLogic::PultKeyClik(std::string_view key) {
  int code = KeyCodeFromName(key);
  if (code < 0) return;
  const ControlInfo* info = FindControlInfo(key);
  if (info != nullptr && info->kind == ControlKind::JogToggle) {
    ApplyJogGroup(s_, key);
    m_.channels.jogButtons.store(JogButtonsOf(s_), std::memory_order_relaxed);
  }
  KeyContext context;
  context.uskorDown = IsDown(s_, USKOR);
  context.anyJogDown = JogButtonsOf(s_) != 0;
  context.lampPattern = lampPattern_;
  context.blockIndex = LoadDataWord(m_, cell::BLOCK_INDEX);
  std::uint16_t stored = KeyboardCode(code, context);
  StoreShared(m_, reg::KEYBOARD, stored);
  if (ReopensTraceGate(stored)) traceGate_ = 0;
}

void PanelLogic::KEoutClick(std::string_view lamp) {
  for (int i = 0; i < 16; ++i) {
    if (lamp != LampName(INPUT_LAMPS, i)) continue;
    const auto bit = static_cast<std::uint16_t>(1u << i);
    // The toggle is one atomic read-modify-write; the lamp shows the bit it flipped, so it cannot
    // disagree with a change the processor makes at the same moment.
    std::uint16_t before = ToggleSharedBits(m_, reg::PORT_IN, bit);
    if (Control* c = s_.Find(lamp))
      c->SetColour((before & bit) == 0 ? colour::GREEN : colour::GREY);
    return;
  }
}

}  // namespace kv74
