#include "debug/machine_codec.hpp"

namespace kv74::debug {

// A field added to the processor's state or a peripheral's must be added to the four functions
// below, then here. stopClock, nextEvent, untilEvent and nzValue are left out: they only have a
// meaning inside a run loop.
static_assert(sizeof(MachineState) == 32920 && sizeof(Peripherals) == 56,
              "the machine changed: update debug/machine_codec");

namespace {

// The plain fields, in snapshot order, applied to both machines by `f(a, b)`.
template <typename A, typename B, typename F>
void EachField(A& a, B& b, F f) {
  f(a.RegisterFile, b.RegisterFile);
  f(a.ProgramMemory, b.ProgramMemory);
  f(a.DataMemory, b.DataMemory);
  f(a.TableMemory, b.TableMemory);
  f(a.opWord, b.opWord);
  f(a.extWord, b.extWord);
  f(a.NotifyWord, b.NotifyWord);
  f(a.timer.prescaler, b.timer.prescaler);
  f(a.timer.count, b.timer.count);
  f(a.channels.period, b.channels.period);
  f(a.channels.divider, b.channels.divider);
  f(a.channels.markCount, b.channels.markCount);
  f(a.channels.jogDivider, b.channels.jogDivider);
  f(a.channels.jogSampleCount, b.channels.jogSampleCount);
  f(a.sequencer.state, b.sequencer.state);
  f(a.sequencer.code, b.sequencer.code);
  f(a.sequencer.countdown, b.sequencer.countdown);
  f(a.tickClock, b.tickClock);
  f(a.syncedClock, b.syncedClock);
  f(a.eventClock, b.eventClock);
}

template <typename T>
void Put(ByteWriter& w, const T& v) {
  if constexpr (std::is_same_v<T, std::uint16_t>) {
    w.U16(v);
  } else if constexpr (std::is_same_v<T, std::uint32_t>) {
    w.U32(v);
  } else if constexpr (std::is_same_v<T, std::uint64_t>) {
    w.U64(v);
  } else if constexpr (std::is_same_v<T, SeqState>) {
    w.U8(static_cast<std::uint8_t>(v));
  } else {
    w.Words(v);
  }
}

template <typename T>
void Get(ByteReader& r, T& v) {
  if constexpr (std::is_same_v<T, std::uint16_t>) {
    v = r.U16();
  } else if constexpr (std::is_same_v<T, std::uint32_t>) {
    v = r.U32();
  } else if constexpr (std::is_same_v<T, std::uint64_t>) {
    v = r.U64();
  } else if constexpr (std::is_same_v<T, SeqState>) {
    const std::uint8_t s = r.U8();
    if (s > static_cast<std::uint8_t>(SeqState::Done)) r.Fail("bad sequencer state");
    v = static_cast<SeqState>(s);
  } else {
    r.Words(v);
  }
}

}  // namespace

void CopyMachine(BoardState& to, const BoardState& from) {
  EachField(to, from, [](auto& t, const auto& f) { t = f; });
  to.channels.jogButtons.store(from.channels.jogButtons.load(std::memory_order_relaxed),
                               std::memory_order_relaxed);
}

void EncodeMachine(ByteWriter& w, const BoardState& m) {
  EachField(m, m, [&w](const auto& f, const auto&) { Put(w, f); });
  w.U32(m.channels.jogButtons.load(std::memory_order_relaxed));
}

void DecodeMachine(ByteReader& r, BoardState& m) {
  EachField(m, m, [&r](auto& f, auto&) { Get(r, f); });
  const std::uint32_t jog = r.U32();
  if (jog > 0xF) r.Fail("bad jog buttons");
  m.channels.jogButtons.store(jog, std::memory_order_relaxed);
  // Saved between runs, when the peripherals are up to date.
  if (m.syncedClock != m.tickClock) r.Fail("bad peripheral clocks");
}

bool SameMachine(const BoardState& a, const BoardState& b) {
  bool same = true;
  EachField(a, b, [&same](const auto& x, const auto& y) { same = same && x == y; });
  return same && a.channels.jogButtons.load() == b.channels.jogButtons.load();
}

}  // namespace kv74::debug
