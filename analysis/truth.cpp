#include "analysis/truth.hpp"

#include <cstdio>
#include <set>

#include "analysis/flow.hpp"

namespace kv74::ana {

Figures Compare(const Memory& m, const Result& r, const dbg::DebugInfo& truth, std::uint32_t from,
                std::uint32_t to) {
  Figures f;
  std::set<std::uint16_t> called;
  for (std::uint32_t a = from; a < to && a < 0x10000; ++a) {
    const auto address = static_cast<std::uint16_t>(a);
    const dbg::DataRegion* d = truth.DataAt(address);
    const bool code = r.cls[a] == Class::Code;
    if (d && d->kind == "unused") {
      f.unusedAsCode += code;
    } else if (d) {
      ++f.dataWords;
      f.dataAsData += r.cls[a] == Class::Data;
      f.dataAsCode += code;
    } else if (const dbg::LineEntry* line = truth.LineAt(address)) {
      ++f.instructionWords;
      f.instructionsAsCode += code;
      if (line->address == address) {
        const Step s = StepAt(m, address);
        if (s.target >= 0 && s.kind == RefKind::Call)
          called.insert(static_cast<std::uint16_t>(s.target));
      }
    }
  }
  for (std::uint16_t c : called)
    if (truth.LabelAt(c)) {
      ++f.calledLabels;
      f.calledLabelsFound += r.routines.count(c) && r.start[c];
    }
  for (std::uint16_t routine : r.routines) f.routines += r.start[routine];
  return f;
}

std::string FiguresText(const Figures& f) {
  const auto percent = [](int part, int whole) { return whole ? 100.0 * part / whole : 100.0; };
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "instruction words as code: %d of %d (%.1f %%)\n"
                "data words as data:        %d of %d (%.1f %%)\n"
                "data words as code:        %d\n"
                "unused words as code:      %d\n"
                "called labels found:       %d of %d; routines found: %d\n",
                f.instructionsAsCode, f.instructionWords,
                percent(f.instructionsAsCode, f.instructionWords), f.dataAsData, f.dataWords,
                percent(f.dataAsData, f.dataWords), f.dataAsCode, f.unusedAsCode,
                f.calledLabelsFound, f.calledLabels, f.routines);
  return buf;
}

}  // namespace kv74::ana
