// Looking at the stopped machine: call stack, variables by scope, memory and disassembly.
// Memory references are word addresses ("0x4212"); the byte offsets and counts of the memory and
// disassembly requests count two bytes to a word, high byte first, and must be even.
#pragma once

#include "board.hpp"
#include "protocol.hpp"

namespace kv74::dap::inspect {

// Variable references of the scopes.
enum Scope : int { kRegisters = 1, kPeripherals, kWatched, kPanel, kFlags };

Json StackTrace(Board& b, const Args& a);
Json Scopes(const Args& a);
Json Variables(Board& b, const Args& a);
Json ReadMemory(Board& b, const Args& a);
Json WriteMemory(Board& b, const Args& a);
Json Disassemble(Board& b, const Args& a);

// "0x1C20 (7200)"
std::string WordText(std::uint16_t v);

}  // namespace kv74::dap::inspect
