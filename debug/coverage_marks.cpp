#include "debug/coverage_marks.hpp"

#include <map>
#include <utility>

#include "cpu/bus.hpp"
#include "cpu/decode.hpp"

namespace kv74::debug {

CoverageMarks::CoverageMarks(const Collector& c, const dbg::DebugInfo* info, BoardState& m)
    : executed_(Collector::kAddresses),
      taken_(Collector::kAddresses),
      entered_(Collector::kAddresses),
      marks_(Collector::kAddresses, Mark::None),
      lines_(Collector::kAddresses, Mark::None),
      conditional_(Collector::kAddresses) {
  for (std::size_t i = 0; i < Collector::kAddresses; ++i) {
    const auto a = static_cast<std::uint16_t>(i);
    executed_[a] = c.Executed(a);
    taken_[a] = c.Taken(a);
    entered_[a] = c.Entered(a);
    if (executed_[a] == 0) continue;
    const std::uint16_t op = PeekWord(m, a);
    conditional_[a] = Collector::IsConditional(Decode(op), op);
    const bool oneWay = conditional_[a] && (taken_[a] == 0 || taken_[a] == executed_[a]);
    marks_[a] = oneWay ? Mark::OneWay : Mark::Run;
  }
  if (info == nullptr) return;
  // Each line's mark goes to the first address of its first entry.
  std::map<std::pair<int, int>, std::pair<std::uint16_t, Mark>> lines;
  for (const dbg::LineEntry& e : info->lines) {
    if (info->IsData(e.address) && executed_[e.address] == 0) continue;
    if (marks_[e.address] == Mark::None) marks_[e.address] = Mark::Never;
    const auto [it, added] = lines.try_emplace({e.source, e.line}, e.address, marks_[e.address]);
    Mark& line = it->second.second;
    if (added || line == Mark::OneWay) continue;
    const Mark here = marks_[e.address];
    if (here == Mark::OneWay || line == Mark::Never) line = here;
  }
  for (const auto& [key, at] : lines) lines_[at.first] = at.second;
}

std::string CoverageMarks::Describe(std::uint16_t a) const {
  const std::uint64_t n = executed_[a];
  std::string text;
  if (marks_[a] == Mark::Never) {
    text = "never ran";
  } else if (n != 0) {
    text = "ran " + std::to_string(n) + (n == 1 ? " time" : " times");
    if (conditional_[a]) {
      text += ": jumped " + std::to_string(taken_[a]) + ", fell through " +
              std::to_string(n - taken_[a]);
    }
  }
  if (entered_[a] != 0) {
    text += (text.empty() ? "" : "; ") + std::string("entered ") + std::to_string(entered_[a]) +
            (entered_[a] == 1 ? " time" : " times");
  }
  return text;
}

}  // namespace kv74::debug
