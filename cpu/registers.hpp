// The register file: the processor's registers and the words of the I/O page, numbered as the
// register words the I/O map leads to, with the names of their bits, the watched DataMemory cells
// and the memory map. The processor (cpu/machine.hpp) and the peripherals (periph/) share it.
#pragma once

#include <array>
#include <cstddef>
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

// The register words and the notifications for the panel.
struct Registers {
  // Words 51 and 52 of the array are unused: NotifyWord below stands for them.
  std::array<std::uint16_t, reg::COUNT> RegisterFile{};
  std::uint32_t NotifyWord = 0;  // read, set and cleared as one 32-bit value

  std::uint16_t& operator[](int w) { return RegisterFile[static_cast<std::size_t>(w)]; }
  std::uint16_t operator[](int w) const { return RegisterFile[static_cast<std::size_t>(w)]; }

  // Word w of the register file as the firmware-independent view sees it: words 51 and 52 are
  // the halves of NotifyWord.
  std::uint16_t Word(int w) const;
};

}  // namespace kv74
