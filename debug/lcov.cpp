// The lcov tracefile.
#include <map>
#include <sstream>

#include "cpu/bus.hpp"
#include "cpu/decode.hpp"
#include "debug/reports.hpp"
#include "debug/routines.hpp"
#include "tools/common/output.hpp"

namespace kv74::debug {

namespace fs = std::filesystem;

void WriteReport(const fs::path& file, const std::string& text, const char* what) {
  std::string error;
  if (!fileio::WriteFile(what, file.string(), text, error)) throw std::runtime_error(error);
}

std::string ReportPath(const dbg::DebugInfo& info, int source, const fs::path* base) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(info.SourcePath(source), ec), ec);
  if (base != nullptr) p = p.lexically_relative(fs::weakly_canonical(fs::absolute(*base), ec));
  return p.generic_string();
}

namespace {
struct Branch {
  std::uint64_t executed = 0, taken = 0;
};
struct LineCount {
  std::uint64_t count = 0;
  std::vector<Branch> branches;
};
struct SourceRecord {
  std::map<int, LineCount> lines;
  std::map<int, std::pair<std::string, std::uint64_t>> functions;  // by line: name, entries
};
}  // namespace

std::string LcovText(const Collector& c, const dbg::DebugInfo& info, BoardState& m,
                     const ReportOptions& o) {
  std::map<int, SourceRecord> sources;
  for (const dbg::LineEntry& e : info.lines) {
    const std::uint64_t n = c.Executed(e.address);
    if (info.IsData(e.address) && n == 0) continue;
    LineCount& l = sources[e.source].lines[e.line];
    l.count = std::max(l.count, n);
    const std::uint16_t op = PeekWord(m, e.address);
    if (!info.IsData(e.address) && Collector::IsConditional(Decode(op), op)) {
      l.branches.push_back({n, c.Taken(e.address)});
    }
  }
  const Routines routines(info, m, c);
  for (const std::uint16_t start : routines.Called()) {
    const dbg::LineEntry* e = info.LineAt(start);
    sources[e->source].functions[e->line] = {routines.Name(start), routines.Entries(start)};
  }

  std::ostringstream out;
  for (const auto& [source, r] : sources) {
    out << "TN:" << o.testName << "\nSF:" << ReportPath(info, source, o.base) << '\n';
    std::size_t hitFunctions = 0;
    for (const auto& [line, f] : r.functions) out << "FN:" << line << ',' << f.first << '\n';
    for (const auto& [line, f] : r.functions) {
      out << "FNDA:" << f.second << ',' << f.first << '\n';
      hitFunctions += f.second != 0;
    }
    out << "FNF:" << r.functions.size() << "\nFNH:" << hitFunctions << '\n';
    std::size_t branches = 0, hitBranches = 0, hitLines = 0;
    for (const auto& [line, l] : r.lines) {
      for (std::size_t b = 0; b < l.branches.size(); ++b) {
        const Branch& br = l.branches[b];
        const std::uint64_t counts[2] = {br.taken, br.executed - br.taken};
        for (int way = 0; way < 2; ++way) {
          out << "BRDA:" << line << ',' << b << ',' << way << ',';
          if (br.executed == 0) {
            out << "-\n";
          } else {
            out << counts[way] << '\n';
          }
          ++branches;
          hitBranches += counts[way] != 0;
        }
      }
    }
    out << "BRF:" << branches << "\nBRH:" << hitBranches << '\n';
    for (const auto& [line, l] : r.lines) {
      out << "DA:" << line << ',' << l.count << '\n';
      hitLines += l.count != 0;
    }
    out << "LF:" << r.lines.size() << "\nLH:" << hitLines << "\nend_of_record\n";
  }
  return out.str();
}

}  // namespace kv74::debug
