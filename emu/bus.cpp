#include "emu/bus.hpp"

#include <array>

#include "emu/shared.hpp"
#include "periph/periph.hpp"

namespace kv74 {
namespace {

constexpr std::uint16_t kRateReadMask = 0x87FF;

constexpr bool In(int w, int first, int last) { return w >= first && w <= last; }

// NotifyWord bit set when a store changes the word; 0 for words whose changes go unnoticed.
constexpr std::array<std::uint32_t, reg::COUNT> BuildChangeBits() {
  std::array<std::uint32_t, reg::COUNT> bits{};
  for (int w = reg::IND1; w <= reg::SIGLAMPS; ++w) bits[w] = 1u << (w - 26);
  bits[reg::PORT_OUT] = notify::PORT_OUT;
  bits[reg::RATE0 + 2] = notify::RATE2;
  return bits;
}
constexpr std::array<std::uint32_t, reg::COUNT> kChangeBits = BuildChangeBits();

void RaiseBadAddress(MachineState& m) { m[reg::FAULTS] |= fault::BAD_ADDRESS; }

// Register number k - 1 of an address of the I/O page, or -1 when the address is not mapped.
int MappedWord(std::uint16_t a) {
  if (a < IO_BASE || a >= IO_BASE + IO_SIZE) return -1;
  return static_cast<int>(IoMap[a - IO_BASE]) - 1;
}

std::uint16_t ReadRegister(MachineState& m, int w) {
  if (In(w, reg::COUNT0, reg::MARK)) return CounterRead(m, w);
  if (In(w, reg::RATE0, reg::RATE0 + 2)) return m[w] & kRateReadMask;
  if (w == reg::KEYBOARD) return ReadKeyboard(m);
  if (In(w, reg::PORT_PLAIN, reg::PORT_OUT)) return PortRead(m, w);
  if (In(w, reg::TIMER_RELOAD, reg::TIMER_RUN)) return TimerRead(m, w);
  return m[w];
}

void WriteRegister(MachineState& m, int w, std::uint16_t v) {
  if (In(w, reg::TIMER_RELOAD, reg::TIMER_INHIBIT)) {
    TimerWrite(m, w, v);
  } else if (In(w, reg::RATE0, reg::MARK)) {
    PulseChannelWrite(m, w, v);
  } else if (In(w, reg::PORT_PLAIN, reg::PORT_OUT)) {
    PortWrite(m, w, v);
  } else if (w == reg::KEYBOARD) {
    StoreShared(m, w, v);
  } else {
    m[w] = v;
  }
}

}  // namespace

std::uint16_t BusReadOutsideData(MachineState& m, std::uint16_t a) {
  if (a < PROGRAM_BASE + PROGRAM_WORDS) return m.ProgramMemory[a - PROGRAM_BASE];
  if (a >= TABLE_BASE && a < TABLE_BASE + TABLE_WORDS) return m.TableMemory[a - TABLE_BASE];
  const int w = MappedWord(a);
  if (w >= 0) return ReadRegister(m, w);
  if (!IsSilentUnmapped(a)) RaiseBadAddress(m);
  return 0;
}

void BusWriteOutsideData(MachineState& m, std::uint16_t a, std::uint16_t v) {
  const int w = MappedWord(a);
  if (w < 0) {
    if (!IsSilentUnmapped(a)) RaiseBadAddress(m);
    return;
  }
  const std::uint32_t bit = kChangeBits[w];
  if (bit == 0) {
    WriteRegister(m, w, v);
    return;
  }
  const std::uint16_t old = m[w];
  WriteRegister(m, w, v);
  if (m[w] != old) m.NotifyWord |= bit;
}

void NoteWatchedCell(MachineState& m, std::uint16_t a) {
  switch (a) {
    case cell::FEED_RATE: m.NotifyWord |= notify::FEED; break;
    case cell::POSITION_X_LO:
    case cell::POSITION_Z_LO: m.NotifyWord |= notify::POSITION; break;
    case cell::SPINDLE_SPEED: m.NotifyWord |= notify::SPINDLE; break;
    default: break;
  }
}

}  // namespace kv74
