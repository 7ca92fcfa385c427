// Every field of MachineState (processor, memories, peripherals, scheduling clocks, jog buttons):
// copied for in-memory checkpoints, and written to and read from snapshot bytes.
#pragma once

#include "cpu/machine.hpp"
#include "debug/bytes.hpp"

namespace kv74::debug {

void CopyMachine(MachineState& to, const MachineState& from);
void EncodeMachine(ByteWriter& w, const MachineState& m);
// Reads into `m`; a bad value (e.g. a sequencer state out of range) throws SnapshotError.
void DecodeMachine(ByteReader& r, MachineState& m);
// True when the two machines are equal in every field.
bool SameMachine(const MachineState& a, const MachineState& b);

}  // namespace kv74::debug
