// The processor's state: the register file (cpu/registers.hpp), the three memory areas, the
// latched instruction words and the step clock of the run loops. Zero-filled at creation except
// where a member says otherwise. It exists only as part of the board's machine (board/machine.hpp):
// the bus leads there.
#pragma once

#include <array>
#include <cstdint>

#include "cpu/registers.hpp"

namespace kv74 {

inline constexpr std::uint64_t NO_STOP_CLOCK = ~std::uint64_t{0};

// MachineState::nzValue outside the run loops: the flags word holds N and Z itself.
inline constexpr std::uint32_t NZ_IN_WORD = 0x80000000;

struct MachineState : Registers {
  std::array<std::uint16_t, PROGRAM_WORDS> ProgramMemory{};
  std::array<std::uint16_t, DATA_WORDS> DataMemory{};
  std::array<std::uint16_t, TABLE_WORDS> TableMemory{};
  std::uint16_t opWord = 0;
  std::uint16_t extWord = 0;  // right after opWord: the run loops latch both with one store
  // While a run loop runs, N and Z of the flags word are kept here instead, as a value whose
  // bit 15 or 16 means N and whose low 16 bits are zero for Z: most instructions only store their
  // result. The loops put N and Z back into the flags word wherever it can be seen (cpu/alu.hpp).
  // Not part of the machine's state.
  std::uint32_t nzValue = NZ_IN_WORD;

  // The step clock, one tick per step (board/schedule.hpp): ticks counted by a scheduled run loop,
  // and the next tick at which the loop looks between the steps (a peripheral event, a request, a
  // notification, the end of the run). Equal outside a scheduled loop.
  std::uint64_t tickClock = 0;
  std::uint64_t eventClock = 0;
  // While the scheduled loop runs: eventClock is never later. The tick after the last step of the
  // run, or the next tick when something wants looking at before the next step (LookAtNextStep).
  // Not part of the machine's state.
  std::uint64_t stopClock = NO_STOP_CLOCK;
  // While the plain scheduled loop runs, the ticks until eventClock: the loop counts this down
  // instead of counting tickClock up, and tickClock is brought up to date (eventClock minus this)
  // only where it is read (board/schedule.hpp). 0 elsewhere. Not part of the machine's state.
  std::uint64_t untilEvent = 0;

 protected:
  MachineState() = default;  // only as part of a board's machine
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
