#include "periph/schedule.hpp"

#include <algorithm>

namespace kv74 {
namespace {

constexpr std::uint64_t kPrescalerCycle = timer::PRESCALER_RELOAD + 1;  // ticks per rollover
constexpr std::uint32_t kMarkCycle = pulse::MARK_STEPS + 1;             // steps per mark

bool TimerRunning(const Registers& r) { return r[reg::TIMER_RUN] & timer::RUN; }
bool ChannelsEnabled(const Registers& r) { return r[reg::PORT_OUT] & pulse::ENABLE; }
bool JogCounting(const Registers& r) {
  const std::uint16_t lamps = r[reg::KEYLAMPS];
  return lamps == pulse::JOG_PATTERN_A || lamps == pulse::JOG_PATTERN_B;
}

// The prescaler is tested before it is decremented: a prescaler p rolls over at the (p + 1)-th
// tick, then every 101 ticks; the rollover that finds the counter at 0 is the expiry.
std::uint64_t TimerQuiet(const IntervalTimer& t, const Registers& r) {
  if (!TimerRunning(r)) return QUIET_FOREVER;
  return t.prescaler + t.count * kPrescalerCycle;
}

void TimerAdvance(IntervalTimer& t, const Registers& r, std::uint64_t k) {
  if (!TimerRunning(r)) return;
  const std::uint64_t p = t.prescaler;
  if (k <= p) {
    t.prescaler = static_cast<std::uint16_t>(p - k);
    return;
  }
  const std::uint64_t afterFirst = k - (p + 1);
  const std::uint64_t rollovers = 1 + afterFirst / kPrescalerCycle;
  t.prescaler = static_cast<std::uint16_t>(timer::PRESCALER_RELOAD - afterFirst % kPrescalerCycle);
  t.count = static_cast<std::uint16_t>(t.count - rollovers);
}

bool ChannelRuns(const Registers& r, int i) { return r[reg::RATE0 + i] != 0; }

// Tick (1-based) of the channel's next step: the divider counts up to the period first.
std::uint64_t FirstStepTick(const PulseChannels& c, std::size_t n) {
  const std::uint16_t d = c.divider[n], p = c.period[n];
  return d < p ? std::uint64_t{p} - d + 1 : 1;
}

// Only an armed mark does more than count: it zeroes the counter and changes word 44.
std::uint64_t ChannelQuiet(const PulseChannels& c, const Registers& r, int i) {
  if (!ChannelRuns(r, i) || !(r[reg::MARK] & (1u << i))) return QUIET_FOREVER;
  const auto n = static_cast<std::size_t>(i);
  // The step that finds the mark counter at 2500 is the mark; the counter wraps at 16 bits.
  const std::uint64_t markStep =
      static_cast<std::uint16_t>(pulse::MARK_STEPS - c.markCount[n]) + std::uint64_t{1};
  return FirstStepTick(c, n) + (markStep - 1) * (c.period[n] + std::uint64_t{1}) - 1;
}

// The mark counter after n unarmed steps: +1 per step, 2500 wraps to 0; a value above 2500 first
// counts through 65535 to 0.
std::uint16_t MarkCountAfter(std::uint16_t mc, std::uint64_t n) {
  if (mc > pulse::MARK_STEPS) {
    const std::uint64_t toZero = 0x10000u - mc;
    if (n < toZero) return static_cast<std::uint16_t>(mc + n);
    n -= toZero;
    mc = 0;
  }
  return static_cast<std::uint16_t>((mc + n) % kMarkCycle);
}

// Inlined: the event ticks call it three times, and a call costs more than the channel takes.
[[gnu::always_inline]] inline void ChannelAdvance(PulseChannels& c, Registers& r, int i,
                                                  std::uint64_t k) {
  if (!ChannelRuns(r, i)) return;
  const auto n = static_cast<std::size_t>(i);
  const std::uint64_t first = FirstStepTick(c, n);
  if (k < first) {
    c.divider[n] = static_cast<std::uint16_t>(c.divider[n] + k);
    return;
  }
  const std::uint64_t cycle = c.period[n] + std::uint64_t{1};
  const std::uint64_t steps = 1 + (k - first) / cycle;
  c.divider[n] = static_cast<std::uint16_t>((k - first) % cycle);
  c.markCount[n] = MarkCountAfter(c.markCount[n], steps);
  // Bit 15 is forced to the direction at every step, so only the low 15 bits count.
  std::uint16_t& counter = r[reg::COUNT0 + i];
  const auto s = static_cast<std::uint16_t>(steps);
  if (r[reg::RATE0 + i] & pulse::DOWN) {
    counter = static_cast<std::uint16_t>((counter - s) | pulse::DOWN);
  } else {
    counter = static_cast<std::uint16_t>((counter + s) & ~pulse::DOWN);
  }
}

// The tick that finds the jog divider at 0xFFFF ends a jog cycle.
std::uint64_t JogQuiet(const PulseChannels& c, const Registers& r) {
  return JogCounting(r) ? 0xFFFFu - c.jogDivider : QUIET_FOREVER;
}

void JogAdvance(PulseChannels& c, const Registers& r, std::uint64_t k) {
  if (JogCounting(r)) c.jogDivider = static_cast<std::uint16_t>(c.jogDivider + k);
}

std::uint64_t SequencerQuiet(const Sequencer& s, const Registers& r) {
  switch (s.state) {
    case SeqState::Busy: return s.countdown;
    case SeqState::AwaitStrobe: return (r[reg::PORT_OUT] & port::STROBE) ? 0 : QUIET_FOREVER;
    case SeqState::Start:
    case SeqState::Latched: return 0;
    case SeqState::Idle:
    case SeqState::Done: break;
  }
  return QUIET_FOREVER;
}

void BusyAdvance(Sequencer& s, std::uint64_t k) {
  if (s.state == SeqState::Busy) s.countdown = static_cast<std::uint32_t>(s.countdown - k);
}

}  // namespace

std::uint64_t QuietTicks(const Peripherals& p, const Registers& r) {
  std::uint64_t quiet = std::min(TimerQuiet(p.timer, r), SequencerQuiet(p.sequencer, r));
  if (ChannelsEnabled(r)) {
    quiet = std::min({quiet, ChannelQuiet(p.channels, r, 0), ChannelQuiet(p.channels, r, 1),
                      ChannelQuiet(p.channels, r, 2)});
  }
  return std::min({quiet, JogQuiet(p.channels, r), QUIET_FOREVER});
}

void AdvanceQuiet(Peripherals& p, Registers& r, std::uint64_t k) {
  if (k == 0) return;
  TimerAdvance(p.timer, r, k);
  if (ChannelsEnabled(r)) {
    ChannelAdvance(p.channels, r, 0, k);
    ChannelAdvance(p.channels, r, 1, k);
    ChannelAdvance(p.channels, r, 2, k);
  }
  JogAdvance(p.channels, r, k);
  BusyAdvance(p.sequencer, k);
}

void CatchUp(Peripherals& p, Registers& r, std::uint64_t clock) {
  AdvanceQuiet(p, r, clock - p.syncedClock);
  p.syncedClock = clock;
}

std::uint64_t EventTick(Peripherals& p, Registers& r, std::uint64_t clock) {
  AdvanceQuiet(p, r, clock - 1 - p.syncedClock);
  TickPeripherals(p, r);
  p.syncedClock = clock;
  return QuietTicks(p, r);
}

}  // namespace kv74
