// Every field of the BoardState (processor, memories, peripherals, scheduling clocks, jog buttons):
// copied for in-memory checkpoints, and written to and read from snapshot bytes.
#pragma once

#include "board/machine.hpp"
#include "debug/bytes.hpp"

namespace kv74::debug {

void CopyMachine(BoardState& to, const BoardState& from);
void EncodeMachine(ByteWriter& w, const BoardState& m);
// Reads into `m`; a bad value (e.g. a sequencer state out of range) throws SnapshotError.
void DecodeMachine(ByteReader& r, BoardState& m);
// True when the two machines are equal in every field.
bool SameMachine(const BoardState& a, const BoardState& b);

}  // namespace kv74::debug
