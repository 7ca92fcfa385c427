#include "cpu/registers.hpp"

namespace kv74 {
namespace {

struct IoRange {
  std::uint16_t first, last;  // I/O addresses
  std::uint8_t k;             // register number of the first address
};

// The mapped addresses of the I/O page; every other offset is unmapped.
constexpr IoRange kIoRanges[] = {
    {0xF000, 0xF00F, 1},   // R0..R15
    {0xF010, 0xF013, 17},  // BASE0, BASE1, SP, PC
    {0xF020, 0xF020, 21},  // flags
    {0xF033, 0xF033, 22},  // plain storage
    {0xF03B, 0xF03B, 23},  // interrupt mask
    {0xF100, 0xF102, 24},  // timer reload, mode, run
    {0xF110, 0xF110, 27},  // timer request inhibit
    {0xF120, 0xF126, 28},  // indicators, lamps, keyboard
    {0xF130, 0xF132, 35},  // ports
    {0xF140, 0xF140, 38},  // rate 0
    {0xF141, 0xF141, 39},  // rate 1
    {0xF143, 0xF143, 40},  // rate 2
    {0xF150, 0xF150, 45},  // mark register (word 44)
    {0xF151, 0xF154, 41},  // counters 0..2, jog counter (words 40..43)
};

constexpr std::array<std::uint8_t, IO_SIZE> BuildIoMap() {
  std::array<std::uint8_t, IO_SIZE> map{};
  for (const IoRange& r : kIoRanges) {
    for (unsigned a = r.first; a <= r.last; ++a) {
      map[a - IO_BASE] = static_cast<std::uint8_t>(r.k + (a - r.first));
    }
  }
  return map;
}

}  // namespace

const std::array<std::uint8_t, IO_SIZE> IoMap = BuildIoMap();

std::uint16_t Registers::Word(int w) const {
  if (w == reg::NOTIFY_LO) return static_cast<std::uint16_t>(NotifyWord & 0xFFFF);
  if (w == reg::NOTIFY_HI) return static_cast<std::uint16_t>(NotifyWord >> 16);
  return RegisterFile[static_cast<std::size_t>(w)];
}

}  // namespace kv74
