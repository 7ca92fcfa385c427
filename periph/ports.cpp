#include "cpu/shared.hpp"
#include "periph/periph.hpp"

namespace kv74 {

void PortWrite(MachineState& m, int w, std::uint16_t v) {
  if (w == reg::PORT_IN) {
    StoreShared(m, w, v);
  } else {
    m[w] = v;
  }
  // Start check, on the output port whichever port word was written.
  const std::uint16_t out = m[reg::PORT_OUT];
  if ((out & port::CODE) != 0 && (out & port::START_MASK) == port::REQUEST) {
    m.seqState = SeqState::Start;
    m.seqCode = 0;
  }
}

// One state step of the sequencer; the idle states and the busy countdown never get here.
void SequencerAdvance(MachineState& m) {
  const std::uint16_t out = m[reg::PORT_OUT];
  switch (m.seqState) {
    case SeqState::Start:
      m.seqCode = static_cast<std::uint16_t>((out & port::CODE) >> 8);
      SetSharedBits(m, reg::PORT_IN, port::BUSY);
      m.NotifyWord |= notify::SEQ_INPUT;
      m.seqState = SeqState::AwaitStrobe;
      break;
    case SeqState::AwaitStrobe:
      if (!(out & port::STROBE)) break;
      m.seqCode |= static_cast<std::uint16_t>((out & port::DATA) << 4);
      m.seqState = SeqState::Latched;
      break;
    case SeqState::Latched:
      m.NotifyWord |= notify::SEQ_LATCHED;
      m.seqCountdown = port::BUSY_TICKS;
      m.seqState = SeqState::Busy;
      break;
    case SeqState::Busy:
      if (m.seqCountdown != 0) {
        --m.seqCountdown;
        break;
      }
      ClearSharedBits(m, reg::PORT_IN, port::BUSY);
      m.NotifyWord |= notify::SEQ_INPUT;
      m.seqState = SeqState::Done;
      break;
    case SeqState::Idle:
    case SeqState::Done: break;
  }
}

}  // namespace kv74
