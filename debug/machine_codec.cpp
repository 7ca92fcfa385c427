#include "debug/machine_codec.hpp"

namespace kv74::debug {

// A field added to MachineState must be added to the four functions below, then here. stopClock,
// nextEvent, untilEvent and nzValue are left out: they only have a meaning inside a run loop.
static_assert(sizeof(MachineState) == 32976, "MachineState changed: update debug/machine_codec");

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
  f(a.timerPrescaler, b.timerPrescaler);
  f(a.timerCount, b.timerCount);
  f(a.channelPeriod, b.channelPeriod);
  f(a.channelDivider, b.channelDivider);
  f(a.channelMarkCount, b.channelMarkCount);
  f(a.jogDivider, b.jogDivider);
  f(a.jogSampleCount, b.jogSampleCount);
  f(a.seqState, b.seqState);
  f(a.seqCode, b.seqCode);
  f(a.seqCountdown, b.seqCountdown);
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

void CopyMachine(MachineState& to, const MachineState& from) {
  EachField(to, from, [](auto& t, const auto& f) { t = f; });
  to.jogButtons.store(from.jogButtons.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

void EncodeMachine(ByteWriter& w, const MachineState& m) {
  EachField(m, m, [&w](const auto& f, const auto&) { Put(w, f); });
  w.U32(m.jogButtons.load(std::memory_order_relaxed));
}

void DecodeMachine(ByteReader& r, MachineState& m) {
  EachField(m, m, [&r](auto& f, auto&) { Get(r, f); });
  const std::uint32_t jog = r.U32();
  if (jog > 0xF) r.Fail("bad jog buttons");
  m.jogButtons.store(jog, std::memory_order_relaxed);
  // Saved between runs, when the peripherals are up to date.
  if (m.syncedClock != m.tickClock) r.Fail("bad peripheral clocks");
}

bool SameMachine(const MachineState& a, const MachineState& b) {
  bool same = true;
  EachField(a, b, [&same](const auto& x, const auto& y) { same = same && x == y; });
  return same && a.jogButtons.load() == b.jogButtons.load();
}

}  // namespace kv74::debug
