// What a click on a key stores, and the jog toggle group.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "board/machine.hpp"
#include "panel/surface.hpp"

namespace kv74 {

inline constexpr std::array<std::string_view, 4> JOG_NAMES{"k0x78", "k0x79", "k0x7a", "k0x7b"};
inline constexpr std::array<std::uint32_t, 4> JOG_BITS{jog::UP, jog::DOWN, jog::LEFT, jog::RIGHT};
inline constexpr std::string_view USKOR = "uskor";
inline constexpr int KEY_WITHHELD = 59;  // k0x3B, withheld under the lamp pattern past block 20
inline constexpr std::uint16_t WITHHOLD_AFTER_BLOCK = 20;

// The state a key click is judged against.
struct KeyContext {
  bool uskorDown = false;
  bool anyJogDown = false;
  bool lampPattern = false;
  std::uint16_t blockIndex = 0;
};

// The value a click on the key with this code stores into the keyboard register. Jog codes get 4
// added while uskor is down and become 0 when no jog toggle is down.
std::uint16_t KeyboardCode(int code, const KeyContext& c);

// Keys whose click reopens the block display's gate: "N" and k0x3D.
inline bool ReopensTraceGate(int code) { return code == 33 || code == 61; }

// The jog toggles form one exclusive group that may be all up: after `clicked` has taken its new
// state, a down toggle releases the other three. Call it for a click on any jog toggle.
void ApplyJogGroup(ControlSurface& s, std::string_view clicked);

// The down toggles as jog:: bits.
std::uint32_t JogButtonsOf(ControlSurface& s);

bool IsDown(ControlSurface& s, std::string_view name);

}  // namespace kv74
