// The RAM save: DataMemory, 4096 words low byte first, as "kv74.ram". Written to a temporary file
// that replaces the old one only when complete, so a failed save never leaves a short file.
#pragma once

#include <QString>

#include "emu/machine.hpp"

namespace kv74::shell {

inline constexpr char RAM_FILE_NAME[] = "kv74.ram";

// Reads DataMemory while the processor may be running. On failure returns false and sets *error to
// a message for the user.
bool SaveRam(MachineState& m, const QString& path, QString* error);

}  // namespace kv74::shell
