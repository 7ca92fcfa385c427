#include "periph/schedule.hpp"

#include <algorithm>

#include "periph/periph.hpp"

namespace kv74 {
namespace {

constexpr std::uint64_t kPrescalerCycle = timer::PRESCALER_RELOAD + 1;  // ticks per rollover
constexpr std::uint32_t kMarkCycle = pulse::MARK_STEPS + 1;             // steps per mark

bool TimerRunning(const MachineState& m) { return m[reg::TIMER_RUN] & timer::RUN; }
bool ChannelsEnabled(const MachineState& m) { return m[reg::PORT_OUT] & pulse::ENABLE; }
bool JogCounting(const MachineState& m) {
  const std::uint16_t lamps = m[reg::KEYLAMPS];
  return lamps == pulse::JOG_PATTERN_A || lamps == pulse::JOG_PATTERN_B;
}

// The prescaler is tested before it is decremented: a prescaler p rolls over at the (p + 1)-th
// tick, then every 101 ticks; the rollover that finds the counter at 0 is the expiry.
std::uint64_t TimerQuiet(const MachineState& m) {
  if (!TimerRunning(m)) return QUIET_FOREVER;
  return m.timerPrescaler + m.timerCount * kPrescalerCycle;
}

void TimerAdvance(MachineState& m, std::uint64_t k) {
  if (!TimerRunning(m)) return;
  const std::uint64_t p = m.timerPrescaler;
  if (k <= p) {
    m.timerPrescaler = static_cast<std::uint16_t>(p - k);
    return;
  }
  const std::uint64_t afterFirst = k - (p + 1);
  const std::uint64_t rollovers = 1 + afterFirst / kPrescalerCycle;
  m.timerPrescaler =
      static_cast<std::uint16_t>(timer::PRESCALER_RELOAD - afterFirst % kPrescalerCycle);
  m.timerCount = static_cast<std::uint16_t>(m.timerCount - rollovers);
}

bool ChannelRuns(const MachineState& m, int i) { return m[reg::RATE0 + i] != 0; }

// Tick (1-based) of the channel's next step: the divider counts up to the period first.
std::uint64_t FirstStepTick(const MachineState& m, std::size_t c) {
  const std::uint16_t d = m.channelDivider[c], p = m.channelPeriod[c];
  return d < p ? std::uint64_t{p} - d + 1 : 1;
}

// Only an armed mark does more than count: it zeroes the counter and changes word 44.
std::uint64_t ChannelQuiet(const MachineState& m, int i) {
  if (!ChannelRuns(m, i) || !(m[reg::MARK] & (1u << i))) return QUIET_FOREVER;
  const auto c = static_cast<std::size_t>(i);
  // The step that finds the mark counter at 2500 is the mark; the counter wraps at 16 bits.
  const std::uint64_t markStep =
      static_cast<std::uint16_t>(pulse::MARK_STEPS - m.channelMarkCount[c]) + std::uint64_t{1};
  return FirstStepTick(m, c) + (markStep - 1) * (m.channelPeriod[c] + std::uint64_t{1}) - 1;
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

void ChannelAdvance(MachineState& m, int i, std::uint64_t k) {
  if (!ChannelRuns(m, i)) return;
  const auto c = static_cast<std::size_t>(i);
  const std::uint64_t first = FirstStepTick(m, c);
  if (k < first) {
    m.channelDivider[c] = static_cast<std::uint16_t>(m.channelDivider[c] + k);
    return;
  }
  const std::uint64_t cycle = m.channelPeriod[c] + std::uint64_t{1};
  const std::uint64_t steps = 1 + (k - first) / cycle;
  m.channelDivider[c] = static_cast<std::uint16_t>((k - first) % cycle);
  m.channelMarkCount[c] = MarkCountAfter(m.channelMarkCount[c], steps);
  // Bit 15 is forced to the direction at every step, so only the low 15 bits count.
  std::uint16_t& counter = m[reg::COUNT0 + i];
  const auto n = static_cast<std::uint16_t>(steps);
  if (m[reg::RATE0 + i] & pulse::DOWN) {
    counter = static_cast<std::uint16_t>((counter - n) | pulse::DOWN);
  } else {
    counter = static_cast<std::uint16_t>((counter + n) & ~pulse::DOWN);
  }
}

// The tick that finds the jog divider at 0xFFFF ends a jog cycle.
std::uint64_t JogQuiet(const MachineState& m) {
  return JogCounting(m) ? 0xFFFFu - m.jogDivider : QUIET_FOREVER;
}

void JogAdvance(MachineState& m, std::uint64_t k) {
  if (JogCounting(m)) m.jogDivider = static_cast<std::uint16_t>(m.jogDivider + k);
}

std::uint64_t SequencerQuiet(const MachineState& m) {
  switch (m.seqState) {
    case SeqState::Busy: return m.seqCountdown;
    case SeqState::AwaitStrobe: return (m[reg::PORT_OUT] & port::STROBE) ? 0 : QUIET_FOREVER;
    case SeqState::Start:
    case SeqState::Latched: return 0;
    case SeqState::Idle:
    case SeqState::Done: break;
  }
  return QUIET_FOREVER;
}

void BusyAdvance(MachineState& m, std::uint64_t k) {
  if (m.seqState == SeqState::Busy) m.seqCountdown = static_cast<std::uint32_t>(m.seqCountdown - k);
}

}  // namespace

std::uint64_t QuietTicks(const MachineState& m) {
  std::uint64_t quiet = std::min(TimerQuiet(m), SequencerQuiet(m));
  if (ChannelsEnabled(m)) {
    quiet = std::min({quiet, ChannelQuiet(m, 0), ChannelQuiet(m, 1), ChannelQuiet(m, 2)});
  }
  return std::min({quiet, JogQuiet(m), QUIET_FOREVER});
}

void AdvanceQuiet(MachineState& m, std::uint64_t k) {
  if (k == 0) return;
  TimerAdvance(m, k);
  if (ChannelsEnabled(m)) {
    ChannelAdvance(m, 0, k);
    ChannelAdvance(m, 1, k);
    ChannelAdvance(m, 2, k);
  }
  JogAdvance(m, k);
  BusyAdvance(m, k);
}

void CatchUpPeripherals(MachineState& m) {
  AdvanceQuiet(m, m.tickClock - m.syncedClock);
  m.syncedClock = m.tickClock;
}

void PeripheralEventTick(MachineState& m) {
  AdvanceQuiet(m, m.tickClock - 1 - m.syncedClock);
  TimerTick(m);
  PulseChannelsTick(m);
  SequencerTick(m);
  m.syncedClock = m.tickClock;
  ReschedulePeripherals(m);
}

}  // namespace kv74
