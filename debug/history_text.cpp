#include "debug/history_text.hpp"

#include <array>
#include <cstdio>

#include "cpu/disasm.hpp"
#include "debug/location.hpp"

namespace kv74::debug {

std::string RegisterName(int word) {
  static constexpr std::array<const char*, 7> kNames = {"BASE0", "BASE1",   "SP",   "PC",
                                                        "FLAGS", "SCRATCH", "IMASK"};
  if (word >= 0 && word < 16) {
    const char digits[] = "0123456789ABCDEF";
    return std::string("R") + digits[word];
  }
  if (word >= reg::BASE0 && word <= reg::IMASK) return kNames[static_cast<std::size_t>(word - 16)];
  return "W" + std::to_string(word);
}

std::vector<std::string> HistoryLines(const History& h, std::size_t count, const BoardState& now,
                                      const dbg::DebugInfo* info) {
  std::vector<std::string> lines;
  const std::size_t first = h.Size() - std::min(count, h.Size());
  for (std::size_t i = first; i < h.Size(); ++i) {
    const HistoryEntry& e = h.At(i);
    char head[48];
    std::snprintf(head, sizeof head, "%8llu  %04X ", static_cast<unsigned long long>(e.step), e.pc);
    std::string line = head;
    const std::string where = DescribeAddress(e.pc, info);
    if (!where.empty()) line += where + "  ";
    std::string text = Disassemble(e.op, e.ext, e.pc).text;
    if (text.size() < 24) text.resize(24, ' ');
    line += text;
    for (const RegisterChange& c : h.Changes(i, now)) {
      char change[40];
      std::snprintf(change, sizeof change, " %s %04X->%04X", RegisterName(c.word).c_str(), c.before,
                    c.after);
      line += change;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace kv74::debug
