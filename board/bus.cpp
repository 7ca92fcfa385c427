#include "cpu/bus.hpp"

#include <array>

#include "board/machine.hpp"
#include "board/schedule.hpp"
#include "cpu/alu.hpp"
#include "cpu/shared.hpp"

namespace kv74 {
namespace {

constexpr std::uint16_t kRateReadMask = 0x87FF;

// How BusRead and BusWrite treat each register word.
enum class ReadKind : std::uint8_t { Plain, Counter, Rate, Keyboard, Port, Timer, Flags };
enum class WriteKind : std::uint8_t { Plain, Timer, Pulse, Port, Keyboard, Flags };

struct WordRule {
  ReadKind read = ReadKind::Plain;
  WriteKind write = WriteKind::Plain;
  std::uint32_t changeBit = 0;  // NotifyWord bit set when a store changes the word
  bool ticked = false;          // the peripheral ticks read the word or change it
};

constexpr std::array<WordRule, reg::COUNT> BuildWordRules() {
  std::array<WordRule, reg::COUNT> rules{};
  for (int w = reg::TIMER_RELOAD; w <= reg::TIMER_RUN; ++w) rules[w].read = ReadKind::Timer;
  for (int w = reg::TIMER_RELOAD; w <= reg::TIMER_INHIBIT; ++w) rules[w].write = WriteKind::Timer;
  for (int w = reg::IND1; w <= reg::SIGLAMPS; ++w) rules[w].changeBit = 1u << (w - 26);
  rules[reg::FLAGS] = {ReadKind::Flags, WriteKind::Flags, 0};  // N and Z apart while running
  rules[reg::KEYBOARD] = {ReadKind::Keyboard, WriteKind::Keyboard, 0};
  for (int w = reg::PORT_PLAIN; w <= reg::PORT_OUT; ++w)
    rules[w] = {ReadKind::Port, WriteKind::Port, 0};
  rules[reg::PORT_OUT].changeBit = notify::PORT_OUT;
  for (int w = reg::RATE0; w <= reg::RATE0 + 2; ++w)
    rules[w] = {ReadKind::Rate, WriteKind::Pulse, 0};
  rules[reg::RATE0 + 2].changeBit = notify::RATE2;
  for (int w = reg::COUNT0; w <= reg::MARK; ++w)
    rules[w] = {ReadKind::Counter, WriteKind::Pulse, 0};
  for (int w = reg::TIMER_RELOAD; w <= reg::TIMER_INHIBIT; ++w) rules[w].ticked = true;
  rules[reg::KEYLAMPS].ticked = true;  // the jog pattern
  for (int w = reg::PORT_PLAIN; w <= reg::MARK; ++w) rules[w].ticked = true;
  return rules;
}
constexpr std::array<WordRule, reg::COUNT> kWordRules = BuildWordRules();

void RaiseBadAddress(MachineState& m) { RaiseRequest(m, fault::BAD_ADDRESS); }

// Register number k - 1 of an address of the I/O page, or -1 when the address is not mapped.
int MappedWord(std::uint16_t a) {
  if (a < IO_BASE || a >= IO_BASE + IO_SIZE) return -1;
  return static_cast<int>(IoMap[a - IO_BASE]) - 1;
}

// The read kinds alone, one byte per word: a read looks its kind up with one load.
constexpr std::array<ReadKind, reg::COUNT> BuildReadKinds() {
  std::array<ReadKind, reg::COUNT> kinds{};
  for (int w = 0; w < reg::COUNT; ++w) kinds[w] = kWordRules[w].read;
  return kinds;
}
constexpr std::array<ReadKind, reg::COUNT> kReadKinds = BuildReadKinds();

// The reads with a hook, out of the way of the plain words and the ports.
[[gnu::noinline]] std::uint16_t ReadHookedRegister(BoardState& m, int w, ReadKind kind) {
  switch (kind) {
    case ReadKind::Counter: SyncPeripherals(m); return CounterRead(m, w);
    case ReadKind::Rate: return m[w] & kRateReadMask;
    case ReadKind::Keyboard: return ReadKeyboard(m);
    case ReadKind::Timer: SyncPeripherals(m); return TimerRead(m.timer);
    case ReadKind::Flags: FlagsToWord(m); return m[w];
    case ReadKind::Plain:
    case ReadKind::Port: break;
  }
  return m[w];
}

std::uint16_t ReadRegister(BoardState& m, int w) {
  const ReadKind kind = kReadKinds[w];
  if (kind == ReadKind::Plain) return m[w];
  if (kind == ReadKind::Port) return PortRead(m, w);  // the ticks change the ports only at events
  return ReadHookedRegister(m, w, kind);
}

void WriteRegister(BoardState& m, int w, std::uint16_t v) {
  switch (kWordRules[w].write) {
    case WriteKind::Plain: m[w] = v; break;
    case WriteKind::Timer: TimerWrite(m.timer, m, w, v); break;
    case WriteKind::Pulse: PulseChannelWrite(m.channels, m, w, v); break;
    case WriteKind::Port: PortWrite(m.sequencer, m, w, v); break;
    case WriteKind::Keyboard: StoreShared(m, w, v); break;
    case WriteKind::Flags:
      m[w] = v;
      FlagsFromWord(m);
      break;
  }
}

}  // namespace

std::uint16_t BusReadOutsideData(MachineState& m, std::uint16_t a) {
  if (a < PROGRAM_BASE + PROGRAM_WORDS) return m.ProgramMemory[a - PROGRAM_BASE];
  const unsigned io = static_cast<unsigned>(a) - IO_BASE;
  if (io < IO_SIZE) {
    const int w = static_cast<int>(IoMap[io]) - 1;
    if (w >= 0) return ReadRegister(BoardOf(m), w);
  } else if (a >= TABLE_BASE && a < TABLE_BASE + TABLE_WORDS) {
    return m.TableMemory[a - TABLE_BASE];
  }
  if (!IsSilentUnmapped(a)) RaiseBadAddress(m);
  return 0;
}

void BusWriteOutsideData(MachineState& processor, std::uint16_t a, std::uint16_t v) {
  BoardState& m = BoardOf(processor);
  const int w = MappedWord(a);
  if (w < 0) {
    if (!IsSilentUnmapped(a)) RaiseBadAddress(m);
    return;
  }
  const WordRule& rule = kWordRules[w];
  if (rule.ticked) SyncPeripherals(m);
  if (rule.changeBit == 0) {
    WriteRegister(m, w, v);  // the shared words 33 and 35 are among these
  } else {
    const std::uint16_t old = m[w];
    WriteRegister(m, w, v);
    if (m[w] != old) Notify(m, rule.changeBit);
  }
  if (rule.ticked) ReschedulePeripherals(m);
  if (w == reg::IMASK) LookAtNextStep(m);  // a pending interrupt may be taken now
}

std::uint16_t PeekWord(MachineState& processor, std::uint16_t a) {
  BoardState& m = BoardOf(processor);
  const unsigned i = static_cast<unsigned>(a) - DATA_BASE;
  if (i < DATA_WORDS) return m.DataMemory[i];
  if (a < PROGRAM_BASE + PROGRAM_WORDS) return m.ProgramMemory[a - PROGRAM_BASE];
  if (a >= TABLE_BASE && a < TABLE_BASE + TABLE_WORDS) return m.TableMemory[a - TABLE_BASE];
  const int w = MappedWord(a);
  if (w < 0) return 0;
  SyncPeripherals(m);
  switch (kWordRules[w].read) {
    case ReadKind::Rate: return m[w] & kRateReadMask;
    case ReadKind::Timer: return TimerRead(m.timer);
    case ReadKind::Keyboard:
    case ReadKind::Port: return LoadShared(m, w);
    case ReadKind::Flags: FlagsToWord(m); return m[w];
    default: return m[w];
  }
}

void NoteWatchedCell(MachineState& m, std::uint16_t a) {
  switch (a) {
    case cell::FEED_RATE: Notify(m, notify::FEED); break;
    case cell::POSITION_X_LO:
    case cell::POSITION_Z_LO: Notify(m, notify::POSITION); break;
    case cell::SPINDLE_SPEED: Notify(m, notify::SPINDLE); break;
    default: break;
  }
}

}  // namespace kv74
