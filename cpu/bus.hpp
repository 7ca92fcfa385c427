// The memory map as the instructions see it: every operand read and store of the processor goes
// through BusRead and BusWrite.
//
//   0x0000..0x1FFF  ProgramMemory  read; a store is a bad-address fault
//   0x4000..0x4FFF  DataMemory     read and write; four cells notify the panel on every store
//   0x7000..0x7FFF  TableMemory    read; a store is a bad-address fault
//   0xF000..0xF1FF  I/O page       registers by IoMap, with the peripheral hooks
//   elsewhere       bad-address fault, reads give 0
#pragma once

#include <atomic>
#include <cstdint>

#include "cpu/machine.hpp"
#include "cpu/word_ref.hpp"

namespace kv74 {

// Both helpers handle every address outside DataMemory. They and the two below are the board's
// (board/bus.cpp): the I/O page leads to the peripherals, which the processor does not know.
std::uint16_t BusReadOutsideData(MachineState& m, std::uint16_t a);
void BusWriteOutsideData(MachineState& m, std::uint16_t a, std::uint16_t v);

// The word at an address as the processor would read it, without the read's side effects (the
// keyboard word and the position counters are not cleared, no fault is raised); 0 where nothing
// is mapped. Brings the peripherals up to date first.
std::uint16_t PeekWord(MachineState& m, std::uint16_t a);

// Sets the NotifyWord bit of a watched DataMemory cell (no effect for other addresses).
void NoteWatchedCell(MachineState& m, std::uint16_t a);

// An unmapped I/O address whose bits 4..6 are below 6 reads as 0 and drops stores silently;
// every other illegal address raises the bad-address request.
constexpr bool IsSilentUnmapped(std::uint16_t a) {
  return a >= IO_BASE && a < IO_BASE + IO_SIZE && ((a >> 4) & 7) < 6;
}

inline std::uint16_t BusRead(MachineState& m, std::uint16_t a) {
  const unsigned i = static_cast<unsigned>(a) - DATA_BASE;
  if (i < DATA_WORDS) return m.DataMemory[i];
  return BusReadOutsideData(m, a);
}

inline void BusWrite(MachineState& m, std::uint16_t a, std::uint16_t v) {
  const unsigned i = static_cast<unsigned>(a) - DATA_BASE;
  if (i < DATA_WORDS) {
    // The window thread reads RAM while the processor runs (the block index on a key click, the
    // whole area for a RAM save): every store is one relaxed atomic word, a plain move on the host.
    WordRef(m.DataMemory[i]).store(v, std::memory_order_relaxed);
    if (a >= cell::SPINDLE_SPEED && a <= cell::POSITION_Z_LO) NoteWatchedCell(m, a);
    return;
  }
  BusWriteOutsideData(m, a, v);
}

// The bus as the instruction bodies are instantiated with: this one is the machine's own; a bus
// that also reports the accesses is in cpu/tap.hpp. Noted tells of a store made without the bus
// (the stack pushes of calls and request entry).
struct PlainBus {
  static std::uint16_t Read(MachineState& m, std::uint16_t a) { return BusRead(m, a); }
  static void Write(MachineState& m, std::uint16_t a, std::uint16_t v) { BusWrite(m, a, v); }
  static void Noted(MachineState&, std::uint16_t, std::uint16_t, std::uint16_t) {}
};

}  // namespace kv74
