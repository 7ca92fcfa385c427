#include "shell/debugger/row_map.hpp"

#include <algorithm>

namespace kv74::shell::dbgwin {

RowMap::RowMap(const dbg::DebugInfo* info) {
  starts_.reserve(0x10000);
  code_.reserve(0x10000);
  std::size_t next = 0;  // the first line entry not yet passed
  std::uint32_t a = 0;
  while (a < 0x10000) {
    const auto here = static_cast<std::uint16_t>(a);
    std::uint32_t size = 1;
    bool code = false;
    if (info) {
      while (next < info->lines.size() && info->lines[next].address < a) ++next;
      if (!info->IsData(here) && next < info->lines.size() && info->lines[next].address == a) {
        size = std::max<std::uint32_t>(info->lines[next].size, 1);
        code = true;
      }
    }
    starts_.push_back(here);
    code_.push_back(code);
    a += size;
  }
}

int RowMap::RowOf(std::uint16_t address) const {
  const auto at = std::upper_bound(starts_.begin(), starts_.end(), address);
  return static_cast<int>(at - starts_.begin()) - 1;
}

}  // namespace kv74::shell::dbgwin
