// What one instruction does to the flow and to memory, read from its decoded form: where it
// goes next, and which words it reads or writes at addresses the image fixes.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/analysis.hpp"

namespace kv74::ana {

struct Step {
  int length = 1;
  bool falls = true;             // goes on at pc + length (always or when not taken)
  int target = -1;               // a direct transfer's destination
  RefKind kind = RefKind::Jump;  // Call, Jump or Branch for the target
  bool indirect = false;         // JMP/Jcc/CALL [Rn]
};

// The address a BASEX offset reaches with the bases found (BASE1 for offsets with bit 15
// set), -1 while that base is unknown.
int Based(const Result& r, std::uint16_t offset);

Step StepAt(const Memory& m, std::uint16_t pc);

struct Access {
  std::uint16_t address;
  bool write;
};

// The fixed addresses the instruction at pc reads or writes: base-relative cells (with the
// bases found), BASEX+constant, table bases, I/O registers by offset, and M[Rn] right after
// MOV Rn,#address.
std::vector<Access> AccessesOf(const Memory& m, const Result& r, std::uint16_t pc);

}  // namespace kv74::ana
