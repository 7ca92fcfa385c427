// The machine's state as the members of the runner's JSON result. The key names are a contract
// that other tools depend on.
#pragma once

#include <cstdint>

#include "board/machine.hpp"
#include "json_writer.hpp"

namespace kv74 {

const char* SeqStateName(SeqState s);

// Writes "steps", "registers", "data_memory", "timer", "channels" and "sequencer" into the
// object that w has open.
void WriteStateMembers(JsonWriter& w, const BoardState& m, std::uint64_t steps);

}  // namespace kv74
