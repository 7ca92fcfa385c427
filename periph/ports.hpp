// Ports and handshake sequencer: words 34..36. A write to a port word with a function code and
// the request bit (bit 15 clear) in the output port starts the sequencer: it raises the busy bit
// of the input port, latches the data byte at the strobe, stays busy for 2,500,000 ticks, then
// clears the busy bit.
#pragma once

#include <cstdint>

#include "cpu/registers.hpp"
#include "cpu/shared.hpp"

namespace kv74 {

namespace port {
inline constexpr std::uint16_t DATA = 0x00FF;        // word 36: byte latched at the strobe
inline constexpr std::uint16_t CODE = 0x0700;        // word 36: function code
inline constexpr std::uint16_t STROBE = 0x2000;      // word 36
inline constexpr std::uint16_t REQUEST = 0x4000;     // word 36; also enables the pulse channels
inline constexpr std::uint16_t START_MASK = 0xC000;  // word 36: bit 15 must be 0 for a start
inline constexpr std::uint16_t BUSY = 0x4000;        // word 35: the sequencer's answer bit
inline constexpr std::uint32_t BUSY_TICKS = 2500000;
}  // namespace port

enum class SeqState : std::uint8_t { Idle, Start, AwaitStrobe, Latched, Busy, Done };

struct Sequencer {
  SeqState state = SeqState::Idle;
  std::uint16_t code = 0;
  std::uint32_t countdown = 0;
};

// One state step of the sequencer (out of line: rare).
void SequencerAdvance(Sequencer& s, Registers& r);

inline void SequencerTick(Sequencer& s, Registers& r) {
  const SeqState state = s.state;
  if (state == SeqState::Busy) {
    if (s.countdown != 0) [[likely]] {
      --s.countdown;
      return;
    }
  } else if (state == SeqState::Idle || state == SeqState::Done) [[likely]] {
    return;
  } else if (state == SeqState::AwaitStrobe && !(r[reg::PORT_OUT] & port::STROBE)) {
    return;
  }
  SequencerAdvance(s, r);
}

// Word 35 is also written by the panel thread, so it is only touched through the shared helpers.
inline std::uint16_t PortRead(Registers& r, int w) {
  return w == reg::PORT_IN ? LoadShared(r, w) : r[w];
}
void PortWrite(Sequencer& s, Registers& r, int w, std::uint16_t v);

}  // namespace kv74
