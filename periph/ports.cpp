#include "periph/ports.hpp"

namespace kv74 {

void PortWrite(Sequencer& s, Registers& r, int w, std::uint16_t v) {
  if (w == reg::PORT_IN) {
    StoreShared(r, w, v);
  } else {
    r[w] = v;
  }
  // Start check, on the output port whichever port word was written.
  const std::uint16_t out = r[reg::PORT_OUT];
  if ((out & port::CODE) != 0 && (out & port::START_MASK) == port::REQUEST) {
    s.state = SeqState::Start;
    s.code = 0;
  }
}

// One state step of the sequencer; the idle states and the busy countdown never get here.
void SequencerAdvance(Sequencer& s, Registers& r) {
  const std::uint16_t out = r[reg::PORT_OUT];
  switch (s.state) {
    case SeqState::Start:
      s.code = static_cast<std::uint16_t>((out & port::CODE) >> 8);
      SetSharedBits(r, reg::PORT_IN, port::BUSY);
      r.NotifyWord |= notify::SEQ_INPUT;
      s.state = SeqState::AwaitStrobe;
      break;
    case SeqState::AwaitStrobe:
      if (!(out & port::STROBE)) break;
      s.code |= static_cast<std::uint16_t>((out & port::DATA) << 4);
      s.state = SeqState::Latched;
      break;
    case SeqState::Latched:
      r.NotifyWord |= notify::SEQ_LATCHED;
      s.countdown = port::BUSY_TICKS;
      s.state = SeqState::Busy;
      break;
    case SeqState::Busy:
      if (s.countdown != 0) {
        --s.countdown;
        break;
      }
      ClearSharedBits(r, reg::PORT_IN, port::BUSY);
      r.NotifyWord |= notify::SEQ_INPUT;
      s.state = SeqState::Done;
      break;
    case SeqState::Idle:
    case SeqState::Done: break;
  }
}

}  // namespace kv74
