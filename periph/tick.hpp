// The three peripheral ticks, run once per processor step in this order: timer, pulse channels,
// sequencer. They are defined inline because they run on every step: when a peripheral is idle
// its tick is one or two loads and a branch; the rare events leave through the out-of-line
// functions declared below.
#pragma once

#include <cstdint>

#include "cpu/machine.hpp"

namespace kv74 {

namespace timer {
inline constexpr std::uint16_t RUN = 0x8000;            // word 25
inline constexpr std::uint16_t PERIODIC = 0x0001;       // word 24
inline constexpr std::uint16_t MODE_QUIET = 0x0002;     // word 24: expiry raises no request
inline constexpr std::uint16_t INHIBIT = 0x0001;        // word 26: expiry raises no request
inline constexpr std::uint16_t PRESCALER_RELOAD = 100;  // rolls over every 101 ticks
}  // namespace timer

namespace port {
inline constexpr std::uint16_t DATA = 0x00FF;        // word 36: byte latched at the strobe
inline constexpr std::uint16_t CODE = 0x0700;        // word 36: function code
inline constexpr std::uint16_t STROBE = 0x2000;      // word 36
inline constexpr std::uint16_t REQUEST = 0x4000;     // word 36; also enables the pulse channels
inline constexpr std::uint16_t START_MASK = 0xC000;  // word 36: bit 15 must be 0 for a start
inline constexpr std::uint16_t BUSY = 0x4000;        // word 35: the sequencer's answer bit
inline constexpr std::uint32_t BUSY_TICKS = 2500000;
}  // namespace port

namespace pulse {
inline constexpr std::uint16_t ENABLE = port::REQUEST;  // word 36
inline constexpr std::uint16_t DOWN = 0x8000;           // rate and counter direction bit
inline constexpr std::uint16_t MARK_STEPS = 2500;       // mark counter runs 0..2500
inline constexpr std::uint16_t JOG_PATTERN_A = 0x4008;  // word 31: lamps v1_3 and v1_14
inline constexpr std::uint16_t JOG_PATTERN_B = 0x4010;  // word 31: lamps v1_4 and v1_14
inline constexpr std::uint16_t JOG_CYCLES = 10;         // samples every 11 x 65536 ticks
}  // namespace pulse

// Out-of-line parts of the ticks.
void TimerRollover(MachineState& m);
void ChannelStep(MachineState& m, int i);
void JogSample(MachineState& m);
void SequencerAdvance(MachineState& m);

inline void TimerTick(MachineState& m) {
  if (!(m[reg::TIMER_RUN] & timer::RUN)) return;
  if (m.timerPrescaler-- != 0) [[likely]]
    return;
  TimerRollover(m);
}

// One channel's share of the tick: count the divider up to the period, then step.
[[gnu::always_inline]] inline void ChannelTick(MachineState& m, int i) {
  if (m[reg::RATE0 + i] == 0) return;
  std::uint16_t& divider = m.channelDivider[static_cast<std::size_t>(i)];
  if (divider < m.channelPeriod[static_cast<std::size_t>(i)]) [[likely]] {
    ++divider;
  } else {
    ChannelStep(m, i);
  }
}

inline void PulseChannelsTick(MachineState& m) {
  if (m[reg::PORT_OUT] & pulse::ENABLE) {
    ChannelTick(m, 0);
    ChannelTick(m, 1);
    ChannelTick(m, 2);
  }
  const std::uint16_t lamps = m[reg::KEYLAMPS];
  if (lamps != pulse::JOG_PATTERN_A && lamps != pulse::JOG_PATTERN_B) [[likely]]
    return;
  if (m.jogDivider++ != 0xFFFF) [[likely]]
    return;
  JogSample(m);
}

inline void SequencerTick(MachineState& m) {
  const SeqState state = m.seqState;
  if (state == SeqState::Busy) {
    if (m.seqCountdown != 0) [[likely]] {
      --m.seqCountdown;
      return;
    }
  } else if (state == SeqState::Idle || state == SeqState::Done) [[likely]] {
    return;
  } else if (state == SeqState::AwaitStrobe && !(m[reg::PORT_OUT] & port::STROBE)) {
    return;
  }
  SequencerAdvance(m);
}

}  // namespace kv74
