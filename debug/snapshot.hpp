// The snapshot file: everything that determines the machine's future.
//
//   "KV74SNAP"        magic, 8 bytes
//   version           U32, SNAPSHOT_VERSION
//   length            U32, bytes of the sections that follow
//   checksum          U32, CRC-32 of those bytes
//   sections          each a 4-character tag, a U32 length and its bytes:
//     MACH  every BoardState field (debug/machine_codec.cpp)
//     RUN_  U64 steps run
//     CLIK  U64 click-schedule position, U32 count, then per logged click U64 step and the name
//     PANL  the target's panel state (debug/panel_target.cpp for the panel logic's)
//
// Integers are little-endian; strings are a U32 length and their bytes. A reader skips sections
// it does not know; the four above are required. Nothing time-dependent is inside, so the same
// state gives the same bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "board/machine.hpp"
#include "debug/bytes.hpp"
#include "debug/clicks.hpp"

namespace kv74::debug {

inline constexpr std::uint32_t SNAPSHOT_VERSION = 1;

struct SnapshotData {
  std::uint64_t steps = 0;
  std::uint64_t schedulePosition = 0;
  std::vector<ClickEvent> clicks;
  std::vector<std::uint8_t> panel;
};

std::vector<std::uint8_t> WriteSnapshot(const BoardState& m, const SnapshotData& d);
// Checks magic, version, length, checksum and every section; throws SnapshotError.
void ReadSnapshot(std::span<const std::uint8_t> bytes, BoardState& m, SnapshotData& d);

}  // namespace kv74::debug
