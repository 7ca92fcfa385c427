// The machine's state at power-on, once the images are loaded.
#pragma once

#include "board/machine.hpp"

namespace kv74 {

inline constexpr std::uint16_t INPUT_PORT_AT_START = 0x0100;  // input switch ki8 on

// Every register 0 except the input port (0x0100); PC 0; timer prescaler 100, all other
// peripheral state 0, sequencer Idle; NotifyWord and the latched instruction words 0. The memory
// areas and the panel's jog buttons are left as they are.
void PowerOn(BoardState& m);

}  // namespace kv74
