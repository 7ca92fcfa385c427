#include "minimal_panel.hpp"

#include <charconv>

#include "emu/shared.hpp"
#include "panel/controls.hpp"

namespace kv74 {
namespace {

// ki0..ki15 -> bit number, else -1.
static_assert(jog::UP == 1u << (0x78 - JOG_CODE_FIRST) &&
              jog::DOWN == 1u << (0x79 - JOG_CODE_FIRST) &&
              jog::LEFT == 1u << (0x7a - JOG_CODE_FIRST) &&
              jog::RIGHT == 1u << (0x7b - JOG_CODE_FIRST));

int InputLampBit(std::string_view name) {
  if (name.size() < 3 || name.size() > 4 || name.substr(0, 2) != "ki") return -1;
  int bit = -1;
  const char* end = name.data() + name.size();
  auto [p, ec] = std::from_chars(name.data() + 2, end, bit);
  if (ec != std::errc() || p != end || bit < 0 || bit > 15) return -1;
  if (name.size() == 4 && name[2] == '0') return -1;  // "ki01" is no lamp
  return bit;
}

}  // namespace

bool MinimalPanel::IsClickable(std::string_view name) const {
  if (InputLampBit(name) >= 0) return true;
  const ControlInfo* info = FindControlInfo(name);
  if (!info) return false;
  return info->kind == ControlKind::Key || info->kind == ControlKind::JogToggle ||
         info->kind == ControlKind::Toggle;
}

void MinimalPanel::Click(std::string_view name) {
  if (const int bit = InputLampBit(name); bit >= 0) {
    ToggleSharedBits(m_, reg::PORT_IN, static_cast<std::uint16_t>(1u << bit));
    return;
  }
  const ControlInfo* info = FindControlInfo(name);
  if (!info) return;
  switch (info->kind) {
    case ControlKind::Toggle: speedUp_ = !speedUp_; return;  // writes nothing by itself
    case ControlKind::JogToggle: ClickJog(KeyCodeFromName(name) - JOG_CODE_FIRST); return;
    case ControlKind::Key:
      StoreShared(m_, reg::KEYBOARD, static_cast<std::uint16_t>(KeyCodeFromName(name)));
      return;
    default: return;
  }
}

// The four jog toggles form one group that may be all up: pressing one releases the others,
// pressing the one that is down releases it. The code written follows the key handler: 120..123,
// 124..127 with the speed-up toggle down, 0 when no toggle is left down.
void MinimalPanel::ClickJog(int index) {
  const std::uint32_t bit = 1u << index;  // jog::UP, DOWN, LEFT, RIGHT follow the key codes
  jogDown_ = (jogDown_ == bit) ? 0 : bit;
  m_.jogButtons.store(jogDown_, std::memory_order_relaxed);
  int code = 0;
  if (jogDown_ != 0) code = JOG_CODE_FIRST + index + (speedUp_ ? 4 : 0);
  StoreShared(m_, reg::KEYBOARD, static_cast<std::uint16_t>(code));
}

}  // namespace kv74
