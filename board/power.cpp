#include "board/power.hpp"

#include "cpu/shared.hpp"

namespace kv74 {

void PowerOn(BoardState& m) {
  for (int w = 0; w < reg::COUNT; ++w) {
    if (w == reg::KEYBOARD || w == reg::PORT_IN) {
      StoreShared(m, w, 0);
    } else {
      m[w] = 0;
    }
  }
  StoreShared(m, reg::PORT_IN, INPUT_PORT_AT_START);
  m.NotifyWord = 0;
  m.opWord = 0;
  m.extWord = 0;
  m.timer = {};
  PulseChannels& c = m.channels;
  c.period = {};
  c.divider = {};
  c.markCount = {};
  c.jogDivider = 0;
  c.jogSampleCount = 0;
  m.sequencer = {};
}

}  // namespace kv74
