// Pulse channels, position counters, jog counter and mark register: words 37..44. While the output
// port enables them, each channel with a non-zero rate steps its counter every period + 1 ticks;
// every 2501st step may end at an armed mark. While the key lamps show a jog pattern, the jog
// counter samples the jog toggles every 11 x 65536 ticks.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "cpu/registers.hpp"
#include "periph/ports.hpp"

namespace kv74 {

namespace pulse {
inline constexpr std::uint16_t ENABLE = port::REQUEST;  // word 36
inline constexpr std::uint16_t DOWN = 0x8000;           // rate and counter direction bit
inline constexpr std::uint16_t MARK_STEPS = 2500;       // mark counter runs 0..2500
inline constexpr std::uint16_t JOG_PATTERN_A = 0x4008;  // word 31: lamps v1_3 and v1_14
inline constexpr std::uint16_t JOG_PATTERN_B = 0x4010;  // word 31: lamps v1_4 and v1_14
inline constexpr std::uint16_t JOG_CYCLES = 10;         // samples every 11 x 65536 ticks
}  // namespace pulse

// Jog buttons as seen by the pulse channels: one bit per toggle, set while it is down.
namespace jog {
inline constexpr std::uint32_t UP = 1u << 0;     // k0x78, counts down
inline constexpr std::uint32_t DOWN = 1u << 1;   // k0x79, counts up
inline constexpr std::uint32_t LEFT = 1u << 2;   // k0x7a, counts down
inline constexpr std::uint32_t RIGHT = 1u << 3;  // k0x7b, counts up
}  // namespace jog

struct PulseChannels {
  std::array<std::uint16_t, 3> period{};
  std::array<std::uint16_t, 3> divider{};
  std::array<std::uint16_t, 3> markCount{};
  std::uint16_t jogDivider = 0;
  std::uint16_t jogSampleCount = 0;
  // Down state of the jog toggles, set by the panel thread (jog:: bits).
  std::atomic<std::uint32_t> jogButtons{0};
};

// Out-of-line parts of the tick.
void ChannelStep(PulseChannels& c, Registers& r, int i);
void JogSample(PulseChannels& c, Registers& r);

// One channel's share of the tick: count the divider up to the period, then step.
[[gnu::always_inline]] inline void ChannelTick(PulseChannels& c, Registers& r, int i) {
  if (r[reg::RATE0 + i] == 0) return;
  std::uint16_t& divider = c.divider[static_cast<std::size_t>(i)];
  if (divider < c.period[static_cast<std::size_t>(i)]) [[likely]] {
    ++divider;
  } else {
    ChannelStep(c, r, i);
  }
}

inline void PulseChannelsTick(PulseChannels& c, Registers& r) {
  if (r[reg::PORT_OUT] & pulse::ENABLE) {
    ChannelTick(c, r, 0);
    ChannelTick(c, r, 1);
    ChannelTick(c, r, 2);
  }
  const std::uint16_t lamps = r[reg::KEYLAMPS];
  if (lamps != pulse::JOG_PATTERN_A && lamps != pulse::JOG_PATTERN_B) [[likely]]
    return;
  if (c.jogDivider++ != 0xFFFF) [[likely]]
    return;
  JogSample(c, r);
}

void PulseChannelWrite(PulseChannels& c, Registers& r, int w, std::uint16_t v);
// Reading a position counter or the jog counter clears it; the mark register is kept.
std::uint16_t CounterRead(Registers& r, int w);
// Magnitude of a rate word for the step frequency, 1..2048; 0 for the rates that have none.
std::uint16_t RateMagnitude(std::uint16_t rate);

}  // namespace kv74
