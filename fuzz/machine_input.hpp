// The fuzzers' machine from structured input: a sequence of records, each placing words anywhere
// in the machine, so that short inputs reach registers, RAM, tables and peripheral state as easily
// as the program, and long ones hold whole programs.
//
//   byte 0     area (mod 5): 0 ProgramMemory, 1 registers (words 0..50), 2 DataMemory,
//              3 TableMemory, 4 peripheral state (see kPeripheralWords)
//   bytes 1-2  first word, little-endian, modulo the area's size
//   byte 3     word count n
//   then       n little-endian words (fewer if the input ends first); stores wrap in the area
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "board/machine.hpp"

namespace kv74::fuzz {

inline constexpr std::size_t kPeripheralWords = 18;

inline void SetPeripheralWord(BoardState& m, std::size_t i, std::uint16_t v) {
  switch (i) {
    case 0: m.timer.prescaler = v; break;
    case 1: m.timer.count = v; break;
    case 2:
    case 3:
    case 4: m.channels.period[i - 2] = v; break;
    case 5:
    case 6:
    case 7: m.channels.divider[i - 5] = v; break;
    case 8:
    case 9:
    case 10: m.channels.markCount[i - 8] = v; break;
    case 11: m.channels.jogDivider = v; break;
    case 12: m.channels.jogSampleCount = v; break;
    case 13: m.channels.jogButtons.store(v & 15u); break;
    case 14: m.sequencer.state = static_cast<SeqState>(v % 6); break;
    case 15: m.sequencer.code = v; break;
    case 16: m.sequencer.countdown = (m.sequencer.countdown & 0xFFFF0000u) | v; break;
    default:
      m.sequencer.countdown = (m.sequencer.countdown & 0xFFFFu) | (std::uint32_t{v} << 16);
      break;
  }
}

// Applies the record at the start of the input; false when fewer than 4 bytes are left.
inline bool LoadRecord(BoardState& m, const std::uint8_t*& data, std::size_t& size) {
  if (size < 4) return false;
  const unsigned area = data[0] % 5;
  const std::size_t first = data[1] | (data[2] << 8);
  const std::size_t count = data[3];
  data += 4;
  size -= 4;
  std::span<std::uint16_t> words;
  switch (area) {
    case 0: words = m.ProgramMemory; break;
    case 1: words = std::span(m.RegisterFile).first(reg::NOTIFY_LO); break;
    case 2: words = m.DataMemory; break;
    case 3: words = m.TableMemory; break;
    default: break;
  }
  const std::size_t areaSize = area == 4 ? kPeripheralWords : words.size();
  for (std::size_t i = 0; i < count && size >= 2; ++i, data += 2, size -= 2) {
    const auto v = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
    const std::size_t at = (first + i) % areaSize;
    if (area == 4) {
      SetPeripheralWord(m, at, v);
    } else {
      words[at] = v;
    }
  }
  return true;
}

// Applies every record of the input.
inline void LoadMachine(BoardState& m, const std::uint8_t* data, std::size_t size) {
  while (LoadRecord(m, data, size)) {
  }
}

}  // namespace kv74::fuzz
