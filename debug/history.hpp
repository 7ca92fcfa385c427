// The last N steps: PC, instruction words and the processor registers before each step, in a ring.
// The registers a step changed are those that differ from the next entry (or from the machine,
// for the newest).
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "board/machine.hpp"

namespace kv74::debug {

inline constexpr int HISTORY_REGISTERS = reg::IMASK + 1;  // R0..R15, bases, SP, PC, flags, ...

struct HistoryEntry {
  std::uint64_t step = 0;  // steps run before this one
  std::uint16_t pc = 0, op = 0, ext = 0;
  std::array<std::uint16_t, HISTORY_REGISTERS> regs{};  // before the step
};

struct RegisterChange {
  int word;  // reg:: number
  std::uint16_t before, after;
};

class History {
 public:
  explicit History(std::size_t capacity = 100000) { SetCapacity(capacity); }
  void SetCapacity(std::size_t capacity);  // forgets the entries
  std::size_t Capacity() const { return ring_.size(); }
  std::size_t Size() const { return size_; }
  void Clear() { size_ = 0; }

  [[gnu::always_inline]] void Record(const BoardState& m, std::uint64_t step, std::uint16_t op,
                                     std::uint16_t ext) {
    HistoryEntry& e = ring_[head_];
    e.step = step;
    e.pc = m[reg::PC];
    e.op = op;
    e.ext = ext;
    std::memcpy(e.regs.data(), m.RegisterFile.data(), sizeof e.regs);
    head_ = head_ + 1 == ring_.size() ? 0 : head_ + 1;
    if (size_ < ring_.size()) ++size_;
  }
  // Entry i, 0 the oldest kept.
  const HistoryEntry& At(std::size_t i) const;
  // What step i changed; `now` is the machine after the newest entry.
  std::vector<RegisterChange> Changes(std::size_t i, const BoardState& now) const;

 private:
  std::vector<HistoryEntry> ring_;
  std::size_t head_ = 0, size_ = 0;
};

}  // namespace kv74::debug
