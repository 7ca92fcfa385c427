// The processor: one step is the fetch of the instruction words at the PC followed by
// ExecuteStep. Nothing here allocates, locks or leaves the machine.
//
//   bus.hpp           BusRead, BusWrite: the memory map and the I/O page
//   alu.hpp           flag rules, operand addressing, conditions, the ALU operations
//   instructions.hpp  one body per instruction form of the opcode map, and request entry
#pragma once

#include <atomic>
#include <cstdint>

#include "board/handover.hpp"
#include "board/machine.hpp"

namespace kv74 {

// True for an address in ProgramMemory, DataMemory or TableMemory.
constexpr bool IsExecutable(std::uint16_t a) {
  // One bit per 4096-word block: blocks 0 and 1 (program), 4 (data) and 7 (table).
  constexpr unsigned kExecutableBlocks = 0x0093;
  return ((kExecutableBlocks >> (a >> 12)) & 1) != 0;
}

// Latches opWord and extWord from the area that holds the PC; outside the executable areas
// both keep their values. No side effects.
void Fetch(BoardState& m);

// Peripheral ticks, the PC check, at most one request taken, else one instruction executed.
void ExecuteStep(BoardState& m);

// Fetch followed by ExecuteStep, in one call.
void Step(BoardState& m);

// Step after step, each followed by a hand-over when it left a notification, exactly as Step
// would run them, but with the peripheral ticks counted and applied only where they can be seen
// (board/schedule.hpp). The first runs n steps; the second runs while runFlag is not stop,
// testing it before every step.
void RunScheduledSteps(BoardState& m, std::uint64_t n, HandoverReceiver& receiver);
void RunScheduledWhile(BoardState& m, const std::atomic<int>& runFlag, int stop,
                       HandoverReceiver& receiver);
// At most n steps while flag is go, tested before every step; returns the steps run.
std::uint64_t RunScheduledStepsWhile(BoardState& m, std::uint64_t n, const std::atomic<int>& flag,
                                     int go, HandoverReceiver& receiver);

}  // namespace kv74
