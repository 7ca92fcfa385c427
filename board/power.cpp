#include "board/power.hpp"

#include "cpu/shared.hpp"
#include "periph/tick.hpp"

namespace kv74 {

void PowerOn(MachineState& m) {
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
  m.timerPrescaler = timer::PRESCALER_RELOAD;
  m.timerCount = 0;
  m.channelPeriod = {};
  m.channelDivider = {};
  m.channelMarkCount = {};
  m.jogDivider = 0;
  m.jogSampleCount = 0;
  m.seqState = SeqState::Idle;
  m.seqCode = 0;
  m.seqCountdown = 0;
}

}  // namespace kv74
