#include "debug/history.hpp"

namespace kv74::debug {

void History::SetCapacity(std::size_t capacity) {
  ring_.assign(capacity == 0 ? 1 : capacity, HistoryEntry{});
  head_ = size_ = 0;
}

const HistoryEntry& History::At(std::size_t i) const {
  const std::size_t oldest = (head_ + ring_.size() - size_) % ring_.size();
  return ring_[(oldest + i) % ring_.size()];
}

std::vector<RegisterChange> History::Changes(std::size_t i, const BoardState& now) const {
  const HistoryEntry& e = At(i);
  std::vector<RegisterChange> changes;
  for (int w = 0; w < HISTORY_REGISTERS; ++w) {
    const std::uint16_t after = i + 1 < size_ ? At(i + 1).regs[w] : now.RegisterFile[w];
    if (w != reg::PC && after != e.regs[w]) changes.push_back({w, e.regs[w], after});
  }
  return changes;
}

}  // namespace kv74::debug
