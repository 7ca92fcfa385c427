// The emulated controller: registers, the three memory areas, the latched instruction words and
// the peripherals' internal state. Zero-filled at creation except where a member says otherwise.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace kv74 {

// RegisterFile word numbers ("word w"). The I/O address of word w is given by IoMap.
namespace reg {
inline constexpr int R0 = 0;              // R0..R15 are words 0..15 (0xF000..0xF00F)
inline constexpr int BASE0 = 16;          // 0xF010, base for offsets with bit 15 clear
inline constexpr int BASE1 = 17;          // 0xF011, base for offsets with bit 15 set
inline constexpr int SP = 18;             // 0xF012, stack pointer: top item, stack grows upward
inline constexpr int PC = 19;             // 0xF013
inline constexpr int FLAGS = 20;          // 0xF020, N Z V C in bits 15..12
inline constexpr int SCRATCH = 21;        // 0xF033, plain storage
inline constexpr int IMASK = 22;          // 0xF03B, bit 4 masks the interrupt requests
inline constexpr int TIMER_RELOAD = 23;   // 0xF100
inline constexpr int TIMER_MODE = 24;     // 0xF101
inline constexpr int TIMER_RUN = 25;      // 0xF102
inline constexpr int TIMER_INHIBIT = 26;  // 0xF110
inline constexpr int IND1 = 27;           // 0xF120, indicator group 1
inline constexpr int IND2 = 28;           // 0xF121, indicator group 2 (block number)
inline constexpr int IND3 = 29;           // 0xF122, indicator group 3
inline constexpr int IND4 = 30;           // 0xF123, indicator group 4
inline constexpr int KEYLAMPS = 31;       // 0xF124, key frame lamps v1_1..v1_15
inline constexpr int SIGLAMPS = 32;       // 0xF125, signal lamps v2_0..v2_14
inline constexpr int KEYBOARD = 33;       // 0xF126, written by the panel thread
inline constexpr int PORT_PLAIN = 34;     // 0xF130
inline constexpr int PORT_IN = 35;        // 0xF131, written by the panel thread
inline constexpr int PORT_OUT = 36;       // 0xF132
inline constexpr int RATE0 = 37;          // 0xF140..0xF141, 0xF143: rate registers of channels 0..2
inline constexpr int COUNT0 = 40;         // 0xF151..0xF153: position counters of channels 0..2
inline constexpr int JOG = 43;            // 0xF154, jog counter
inline constexpr int MARK = 44;           // 0xF150, mark register
inline constexpr int FAULTS = 49;         // FaultBits, not reachable by the firmware
inline constexpr int NOTIFY_LO = 51;      // NotifyWord low half (kept in MachineState::NotifyWord)
inline constexpr int NOTIFY_HI = 52;      // NotifyWord high half
inline constexpr int COUNT = 53;
}  // namespace reg

// Flags word bits.
namespace flag {
inline constexpr std::uint16_t N = 0x8000;
inline constexpr std::uint16_t Z = 0x4000;
inline constexpr std::uint16_t V = 0x2000;
inline constexpr std::uint16_t C = 0x1000;
}  // namespace flag

// FaultBits (word 49): pending requests. Bits 0..3 are faults, 4..7 maskable interrupts.
namespace fault {
inline constexpr std::uint16_t RESTART = 0x0001;
inline constexpr std::uint16_t LINE1 = 0x0002;
inline constexpr std::uint16_t BAD_ADDRESS = 0x0004;
inline constexpr std::uint16_t INVALID = 0x0008;
inline constexpr std::uint16_t TIMER = 0x0010;
inline constexpr std::uint16_t LINE5 = 0x0020;
inline constexpr std::uint16_t LINE6 = 0x0040;
inline constexpr std::uint16_t LINE7 = 0x0080;
inline constexpr std::uint16_t FAULT_MASK = 0x000F;
inline constexpr std::uint16_t INTERRUPT_MASK = 0x00F0;
}  // namespace fault

// NotifyWord bits: what changed since the panel last looked.
namespace notify {
inline constexpr std::uint32_t IND1 = 1u << 1;       // word 27 changed (.. IND4 = bit 4)
inline constexpr std::uint32_t KEYLAMPS = 1u << 5;   // word 31 changed
inline constexpr std::uint32_t SIGLAMPS = 1u << 6;   // word 32 changed
inline constexpr std::uint32_t PORT_OUT = 1u << 7;   // word 36 changed
inline constexpr std::uint32_t RATE2 = 1u << 10;     // word 39 changed
inline constexpr std::uint32_t POSITION = 1u << 16;  // 0x425F or 0x4261 written
inline constexpr std::uint32_t SEQ_LATCHED = 1u << 17;
inline constexpr std::uint32_t SEQ_INPUT = 1u << 18;  // input bit 14 set or cleared
inline constexpr std::uint32_t FEED = 1u << 19;       // 0x4235 written
inline constexpr std::uint32_t SPINDLE = 1u << 20;    // 0x4212 written
}  // namespace notify

// Watched DataMemory cells (emulated addresses).
namespace cell {
inline constexpr std::uint16_t BLOCK_INDEX = 0x410A;
inline constexpr std::uint16_t SPINDLE_SPEED = 0x4212;
inline constexpr std::uint16_t FEED_RATE = 0x4235;
inline constexpr std::uint16_t POSITION_X_HI = 0x425E;
inline constexpr std::uint16_t POSITION_X_LO = 0x425F;
inline constexpr std::uint16_t POSITION_Z_HI = 0x4260;
inline constexpr std::uint16_t POSITION_Z_LO = 0x4261;
inline constexpr std::uint16_t BLOCK_TABLE = 0x45A7;
}  // namespace cell

// Memory areas.
inline constexpr std::uint16_t PROGRAM_BASE = 0x0000;
inline constexpr std::size_t PROGRAM_WORDS = 8192;
inline constexpr std::uint16_t DATA_BASE = 0x4000;
inline constexpr std::size_t DATA_WORDS = 4096;
inline constexpr std::uint16_t TABLE_BASE = 0x7000;
inline constexpr std::size_t TABLE_WORDS = 4096;
inline constexpr std::uint16_t IO_BASE = 0xF000;
inline constexpr std::size_t IO_SIZE = 512;

// IoMap: I/O page offset -> register number k (word k - 1), 0 = unmapped.
extern const std::array<std::uint8_t, IO_SIZE> IoMap;

enum class SeqState : std::uint8_t { Idle, Start, AwaitStrobe, Latched, Busy, Done };

// Jog buttons as seen by the pulse channels: one bit per toggle, set while it is down.
namespace jog {
inline constexpr std::uint32_t UP = 1u << 0;     // k0x78, counts down
inline constexpr std::uint32_t DOWN = 1u << 1;   // k0x79, counts up
inline constexpr std::uint32_t LEFT = 1u << 2;   // k0x7a, counts down
inline constexpr std::uint32_t RIGHT = 1u << 3;  // k0x7b, counts up
}  // namespace jog

inline constexpr std::uint64_t NO_STOP_CLOCK = ~std::uint64_t{0};

// MachineState::nzValue outside the run loops: the flags word holds N and Z itself.
inline constexpr std::uint32_t NZ_IN_WORD = 0x80000000;

struct MachineState {
  // Words 51 and 52 of the array are unused: NotifyWord below stands for them.
  std::array<std::uint16_t, reg::COUNT> RegisterFile{};
  std::array<std::uint16_t, PROGRAM_WORDS> ProgramMemory{};
  std::array<std::uint16_t, DATA_WORDS> DataMemory{};
  std::array<std::uint16_t, TABLE_WORDS> TableMemory{};
  std::uint16_t opWord = 0;
  std::uint16_t extWord = 0;     // right after opWord: the run loops latch both with one store
  std::uint32_t NotifyWord = 0;  // read, set and cleared as one 32-bit value
  // While a run loop runs, N and Z of the flags word are kept here instead, as a value whose
  // bit 15 or 16 means N and whose low 16 bits are zero for Z: most instructions only store their
  // result. The loops put N and Z back into the flags word wherever it can be seen (cpu/alu.hpp).
  // Not part of the machine's state.
  std::uint32_t nzValue = NZ_IN_WORD;

  // Interval timer.
  std::uint16_t timerPrescaler = 100;
  std::uint16_t timerCount = 0;

  // Pulse channels and jog counter.
  std::array<std::uint16_t, 3> channelPeriod{};
  std::array<std::uint16_t, 3> channelDivider{};
  std::array<std::uint16_t, 3> channelMarkCount{};
  std::uint16_t jogDivider = 0;
  std::uint16_t jogSampleCount = 0;
  // Down state of the jog toggles, set by the panel thread (jog:: bits).
  std::atomic<std::uint32_t> jogButtons{0};

  // Handshake sequencer.
  SeqState seqState = SeqState::Idle;
  std::uint16_t seqCode = 0;
  std::uint32_t seqCountdown = 0;

  // Lazy peripheral ticking (periph/schedule.hpp): ticks counted by a scheduled run loop, ticks
  // applied to the peripheral state above, and the next tick at which a peripheral does more than
  // count. All three are equal outside a scheduled loop.
  std::uint64_t tickClock = 0;
  std::uint64_t syncedClock = 0;
  std::uint64_t eventClock = 0;
  // While the scheduled loop runs: eventClock is never later. The tick after the last step of the
  // run, or the next tick when something wants looking at before the next step (LookAtNextStep).
  // Not part of the machine's state.
  std::uint64_t stopClock = NO_STOP_CLOCK;
  // The next tick at which a peripheral does more than count, whatever stopClock says. Set with
  // eventClock; not part of the machine's state.
  std::uint64_t nextEvent = 0;
  // While the plain scheduled loop runs, the ticks until eventClock: the loop counts this down
  // instead of counting tickClock up, and tickClock is brought up to date (eventClock minus this)
  // only where it is read (periph/schedule.hpp). 0 elsewhere. Not part of the machine's state.
  std::uint64_t untilEvent = 0;

  std::uint16_t& operator[](int w) { return RegisterFile[static_cast<std::size_t>(w)]; }
  std::uint16_t operator[](int w) const { return RegisterFile[static_cast<std::size_t>(w)]; }

  // Word w of the register file as the firmware-independent view sees it: words 51 and 52 are
  // the halves of NotifyWord.
  std::uint16_t Word(int w) const;
};

// The scheduled loop only looks at requests and notifications at the start of a step whose tick
// is an event tick: whatever raises a request, changes the interrupt mask or leaves a notification
// makes the next tick one. Outside that loop (untilEvent 0) every step looks anyway.
inline void LookAtNextStep(MachineState& m) {
  if (m.untilEvent == 0) return;
  const std::uint64_t next = m.eventClock - m.untilEvent + 1;
  m.stopClock = m.eventClock = next;
  m.untilEvent = 1;
}

inline void RaiseRequest(MachineState& m, std::uint16_t bits) {
  m[reg::FAULTS] |= bits;
  LookAtNextStep(m);
}

inline void Notify(MachineState& m, std::uint32_t bits) {
  m.NotifyWord |= bits;
  LookAtNextStep(m);
}

}  // namespace kv74
