// The RAM as a file: DataMemory, 4096 words low byte first, as "kv74.ram" (the SAVE button) and as
// the battery-backed RAM of --ram. Written to a temporary file that replaces the old one only when
// complete, so a failed save never leaves a short file.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "board/machine.hpp"

namespace kv74::shell {

inline constexpr char RAM_FILE_NAME[] = "kv74.ram";
inline constexpr qint64 RAM_FILE_BYTES = DATA_WORDS * 2;

using RamWords = std::array<std::uint16_t, DATA_WORDS>;

// Copies DataMemory word by word; the caller makes sure nothing writes it meanwhile (the
// emulation thread at a step boundary, or no thread at all).
RamWords CopyRam(const BoardState& m);

// Writes the words; on failure returns false and sets *error to a message for the user.
bool WriteRamFile(const RamWords& words, const QString& path, QString* error);

// CopyRam then WriteRamFile, for a machine that no thread is running.
bool SaveRam(const BoardState& m, const QString& path, QString* error);

// The battery-backed RAM at start: false when `path` does not exist (the RAM image stays);
// true with DataMemory replaced when it is a regular file of exactly 8192 bytes. Anything else (a
// directory, another size, unreadable, a folder that does not exist) throws std::runtime_error
// with a message naming the file, and leaves both the machine and the file untouched.
bool LoadBatteryRam(BoardState& m, const QString& path);

}  // namespace kv74::shell
