// Reading the watched RAM cells from the panel side.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/machine.hpp"
#include "cpu/word_ref.hpp"

namespace kv74 {

// A DataMemory word; addresses outside 0x4000..0x4FFF read 0.
inline std::uint16_t DataWord(const BoardState& m, std::uint32_t address) {
  if (address < DATA_BASE || address >= DATA_BASE + DATA_WORDS) return 0;
  return m.DataMemory[address - DATA_BASE];
}

// A signed 32-bit cell: high word at hiAddress, low word after it.
inline std::int32_t DataPair(const BoardState& m, std::uint16_t hiAddress) {
  std::uint32_t v = (std::uint32_t{DataWord(m, hiAddress)} << 16) | DataWord(m, hiAddress + 1u);
  return static_cast<std::int32_t>(v);
}

// A DataMemory word read from the window thread while the processor runs: one relaxed 16-bit load.
inline std::uint16_t LoadDataWord(BoardState& m, std::uint16_t address) {
  return WordRef(m.DataMemory[address - DATA_BASE]).load(std::memory_order_relaxed);
}

}  // namespace kv74
