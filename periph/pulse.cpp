#include "periph/pulse.hpp"

namespace kv74 {

std::uint16_t RateMagnitude(std::uint16_t rate) {
  // 0x7FFF and above: the two's complement magnitude of the low 11 bits (0x7FFF included).
  if (rate >= 0x7FFF) return static_cast<std::uint16_t>(((rate & 0x7FF) ^ 0x7FF) + 1);
  return rate & 0x7FF;  // bits 11..14 are ignored
}

void PulseChannelWrite(PulseChannels& c, Registers& r, int w, std::uint16_t v) {
  r[w] = v;
  if (w < reg::RATE0 || w > reg::RATE0 + 2) return;
  if (v == 0 || !(r[reg::PORT_OUT] & pulse::ENABLE)) return;
  // A non-zero rate whose low 11 bits are 0 (0x0800, 0x1000, ... 0x7800) has no frequency; the
  // channel keeps the period of its last valid rate rather than dividing by zero.
  const std::uint16_t mag = RateMagnitude(v);
  if (mag == 0) return;
  c.period[static_cast<std::size_t>(w - reg::RATE0)] = static_cast<std::uint16_t>(10000 / mag);
}

std::uint16_t CounterRead(Registers& r, int w) {
  const std::uint16_t v = r[w];
  if (w != reg::MARK) r[w] = 0;
  return v;
}

// One step of channel i. Bit 15 of the counter is forced to the direction.
void ChannelStep(PulseChannels& c, Registers& r, int i) {
  const auto n = static_cast<std::size_t>(i);
  std::uint16_t& counter = r[reg::COUNT0 + i];
  if (r[reg::RATE0 + i] & pulse::DOWN) {
    counter = static_cast<std::uint16_t>((counter - 1) | pulse::DOWN);
  } else {
    counter = static_cast<std::uint16_t>((counter + 1) & ~pulse::DOWN);
  }
  c.divider[n] = 0;
  if (c.markCount[n] != pulse::MARK_STEPS) {
    ++c.markCount[n];
    return;
  }
  c.markCount[n] = 0;
  if (r[reg::MARK] & (1u << i)) {
    // The armed mark zeroes the counter (the step just made is lost), disarms the channel and
    // toggles its report bit.
    counter = 0;
    r[reg::MARK] ^= static_cast<std::uint16_t>(0x11u << i);
  }
}

// A 65536-tick jog cycle has ended; every eleventh one samples the jog toggles.
void JogSample(PulseChannels& c, Registers& r) {
  if (c.jogSampleCount != pulse::JOG_CYCLES) {
    ++c.jogSampleCount;
    return;
  }
  c.jogSampleCount = 0;
  const std::uint32_t down = c.jogButtons.load(std::memory_order_relaxed);
  if (down & (jog::LEFT | jog::UP)) --r[reg::JOG];
  if (down & (jog::RIGHT | jog::DOWN)) ++r[reg::JOG];
}

}  // namespace kv74
