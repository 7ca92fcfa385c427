#include "analysis/analysis.hpp"

#include <algorithm>

#include "analysis/flow.hpp"
#include "cpu/decode.hpp"
#include "cpu/disasm.hpp"

namespace kv74::ana {
namespace {

constexpr std::size_t kHistory = 6;  // instructions looked back along a path for a pattern
constexpr unsigned kMaxTableEntries = 256;
constexpr unsigned kCmp = 2;  // CMP among the t-operations
constexpr unsigned kBase0Offset = 0x10, kBase1Offset = 0x11;

// Memory areas a table and its jump share: program, data and table memory, the rest.
int AreaOf(std::uint16_t a) {
  return a < 0x2000 ? 0 : a >= 0x4000 && a < 0x5000 ? 1 : a >= 0x7000 && a < 0x8000 ? 2 : 3;
}

class Analyzer {
 public:
  Analyzer(const Memory& m, Result& r) : m_(m), r_(r) {}

  void Entry(std::uint16_t pc, bool traced) { work_.push_back({pc, traced}); }

  // Walks every pending entry, then the tables found, until nothing new turns up.
  void Run() {
    do {
      while (!work_.empty()) {
        const auto [pc, traced] = work_.back();
        work_.pop_back();
        Walk(pc, traced);
      }
      ResolveTables();
    } while (!work_.empty());
  }

  void MarkData(std::uint32_t a, const char* kind) {
    if (!m_.Has(a) || r_.cls[a] != Class::Unknown) return;
    r_.cls[a] = Class::Data;
    r_.dataKind[static_cast<std::uint16_t>(a)] = kind;
  }

  // Program words 1..255 outside code are the call table; entries pointing at instructions
  // become routines.
  void CallTable() {
    if (!m_.Has(0)) return;
    for (std::uint16_t a = 1; a < kCallTableEnd; ++a) {
      if (!m_.Has(a) || r_.cls[a] != Class::Unknown) continue;
      MarkData(a, "calltable");
      const std::uint16_t v = m_.At(a);
      if (Enterable(v)) {
        r_.routines.insert(v);
        Entry(v, false);
      }
    }
  }

 private:
  struct Site {
    std::uint16_t jump, load;
    unsigned bound;
    bool done = false;
  };

  bool Enterable(std::uint16_t pc) const {
    if (!m_.Has(pc)) return false;
    if (r_.start[pc]) return true;
    return r_.cls[pc] == Class::Unknown && IsDefinedInstruction(m_.At(pc));
  }

  // Takes pc (and its second word) as an instruction; false where that is impossible.
  bool Claim(std::uint16_t pc, bool traced) {
    const std::uint16_t w = m_.At(pc);
    if (!Enterable(pc) || r_.start[pc]) return false;
    const int length = InstructionLength(w);
    if (length == 2 && (!m_.Has(pc + 1u) || r_.cls[pc + 1u] != Class::Unknown)) return false;
    for (int i = 0; i < length; ++i) {
      r_.cls[(pc + i) & 0xFFFF] = Class::Code;
      r_.traced[(pc + i) & 0xFFFF] = traced;
    }
    r_.start[pc] = true;
    return true;
  }

  void Walk(std::uint16_t pc, bool traced) {
    std::vector<std::uint16_t> path;  // the instructions of this straight run, in order
    for (int guard = 0; guard < 0x10000 && Claim(pc, traced); ++guard) {
      const Step s = StepAt(m_, pc);
      if (s.target >= 0) {
        const auto t = static_cast<std::uint16_t>(s.target);
        r_.refs.insert({pc, t, s.kind});
        (s.kind == RefKind::Call ? r_.routines : r_.targets).insert(t);
        work_.push_back({t, traced});
      }
      const std::uint16_t w = m_.At(pc);
      if (Decode(w) == Op::CallTable) {
        r_.refs.insert({pc, static_cast<std::uint16_t>(FieldDD(w)), RefKind::Table});
        MarkData(FieldDD(w), "calltable");
      }
      if (s.indirect) TableSite(pc, path);
      if (Decode(w) == Op::WriteDirect && !path.empty()) BaseSet(w, path.back());
      path.push_back(pc);
      if (!s.falls) break;
      pc = static_cast<std::uint16_t>(pc + s.length);
    }
  }

  // MOV R0,#X then MOV [F010],R0 (or F011): the image sets a base.
  void BaseSet(std::uint16_t w, std::uint16_t previous) {
    const std::uint16_t p = m_.At(previous);
    if (Decode(p) != Op::MovImm || FieldD(p) != 0) return;
    int& base = FieldO(w) == kBase0Offset   ? r_.base0
                : FieldO(w) == kBase1Offset ? r_.base1
                                            : dummy_;
    if (base < 0) base = m_.At(previous + 1u);
  }

  // JMP [Rd] / CALL [Rd] after MOV Rd,M[BASEX+Ri+T]: a table at T indexed by Ri, bounded by a
  // CMP Ri,#N before it when there is one.
  void TableSite(std::uint16_t pc, const std::vector<std::uint16_t>& path) {
    const unsigned rd = FieldN(m_.At(pc));
    const std::size_t from = path.size() > kHistory ? path.size() - kHistory : 0;
    for (std::size_t i = path.size(); i-- > from;) {
      const std::uint16_t w = m_.At(path[i]);
      if (Decode(w) != Op::MovRegBasex || FieldD(w) != rd || FieldM(w) != 3) continue;
      unsigned bound = kMaxTableEntries;
      for (std::size_t k = i; k-- > from;) {
        const std::uint16_t c = m_.At(path[k]);
        if (Decode(c) == Op::AluImm && FieldT(c) == kCmp && FieldN(c) == FieldN(w))
          bound = std::min<unsigned>(bound, m_.At(path[k] + 1u));
      }
      sites_.push_back({pc, path[i], bound});
      return;
    }
  }

  bool TableStops(std::uint32_t a) const {
    return !m_.Has(a) || r_.cls[a] == Class::Code ||
           tableStarts_.count(static_cast<std::uint16_t>(a)) ||
           referenced_.count(static_cast<std::uint16_t>(a));
  }

  // A table entry leads to an instruction in the jump's own memory area, past the call table.
  bool TableTarget(std::uint16_t v, std::uint16_t site) const {
    return AreaOf(v) == AreaOf(site) && v >= kCallTableEnd && Enterable(v);
  }

  // Every address an instruction names (operands, immediates): a table ends before one.
  void CollectReferenced() {
    referenced_.clear();
    for (std::uint32_t pc = 0; pc < 0x10000; ++pc) {
      if (!r_.start[pc]) continue;
      const auto at = static_cast<std::uint16_t>(pc);
      for (const Access& a : AccessesOf(m_, r_, at)) referenced_.insert(a.address);
      const Op op = Decode(m_.At(at));
      if (op == Op::MovImm || op == Op::AluImm) referenced_.insert(m_.At(at + 1u));
    }
  }

  void ResolveTables() {
    CollectReferenced();
    for (Site& s : sites_) {
      if (s.done) continue;
      const int at = Based(r_, m_.At(s.load + 1u));
      if (at < 0) continue;
      s.done = true;
      tableStarts_.insert(static_cast<std::uint16_t>(at));
    }
    for (Site& s : sites_) {
      if (!s.done || s.bound == 0) continue;
      const auto at = static_cast<std::uint16_t>(Based(r_, m_.At(s.load + 1u)));
      const bool call = FieldD(m_.At(s.jump)) == 2;
      unsigned used = 0;
      for (unsigned i = 0; i < s.bound; ++i) {
        const std::uint32_t a = at + i;
        if (a > 0xFFFF || (i > 0 && TableStops(a)) || !m_.Has(a)) break;
        if (r_.cls[a] == Class::Data && r_.dataKind[static_cast<std::uint16_t>(a)] != "table")
          break;
        const std::uint16_t v = m_.At(a);
        if (v != 0 && !TableTarget(v, s.jump)) break;
        used = i + 1;
      }
      while (used > 0 && m_.At(at + used - 1u) == 0) --used;  // zeros after the last entry
      for (unsigned i = 0; i < used; ++i) {
        const auto a = static_cast<std::uint16_t>(at + i);
        MarkData(a, "table");
        const std::uint16_t v = m_.At(a);
        if (v == 0) continue;
        r_.refs.insert({s.jump, v, call ? RefKind::Call : RefKind::Jump});
        r_.indirect.emplace(s.jump, v);
        (call ? r_.routines : r_.targets).insert(v);
        work_.push_back({v, r_.traced[s.jump]});
      }
      r_.refs.insert({s.load, at, RefKind::Table});
      r_.tables.push_back({at, static_cast<std::uint16_t>(used), s.jump});
      s.bound = 0;
    }
  }

  const Memory& m_;
  Result& r_;
  std::vector<std::pair<std::uint16_t, bool>> work_;
  std::vector<Site> sites_;
  std::set<std::uint16_t> tableStarts_, referenced_;
  int dummy_ = 0;
};

// Read and write references of every instruction to data, after the bases are known.
void DataReferences(const Memory& m, Result& r) {
  for (std::uint32_t pc = 0; pc < 0x10000; ++pc) {
    if (!r.start[pc]) continue;
    const auto at = static_cast<std::uint16_t>(pc);
    for (const Access& a : AccessesOf(m, r, at)) {
      r.refs.insert({at, a.address, a.write ? RefKind::Write : RefKind::Read});
      r.dataItems.insert(a.address);
      if (m.Has(a.address) && r.cls[a.address] == Class::Unknown) {
        r.cls[a.address] = Class::Data;
        r.dataKind[a.address] = "word";
      }
    }
  }
}

}  // namespace

void Memory::Load(std::uint32_t base, const std::vector<std::uint16_t>& image) {
  for (std::size_t i = 0; i < image.size() && base + i < 0x10000; ++i) {
    words[base + i] = image[i];
    present[base + i] = true;
  }
}

const char* RefKindName(RefKind kind) {
  switch (kind) {
    case RefKind::Call: return "call";
    case RefKind::Jump: return "jump";
    case RefKind::Branch: return "branch";
    case RefKind::Read: return "read";
    case RefKind::Write: return "write";
    case RefKind::Table: return "table";
  }
  return "?";
}

std::vector<std::uint16_t> Result::Body(const Memory& memory, std::uint16_t entry) const {
  std::vector<std::uint16_t> body, work{entry};
  std::set<std::uint16_t> seen;
  while (!work.empty()) {
    const std::uint16_t pc = work.back();
    work.pop_back();
    if (!start[pc] || !seen.insert(pc).second) continue;
    body.push_back(pc);
    const Step s = StepAt(memory, pc);
    if (s.falls) work.push_back(static_cast<std::uint16_t>(pc + s.length));
    if (s.target >= 0 && s.kind != RefKind::Call)
      work.push_back(static_cast<std::uint16_t>(s.target));
    if (s.indirect && FieldD(memory.At(pc)) != 2) {
      const auto [first, last] = indirect.equal_range(pc);
      for (auto it = first; it != last; ++it) work.push_back(it->second);
    }
  }
  std::sort(body.begin(), body.end());
  return body;
}

Result Analyze(const Memory& memory, const Options& options) {
  Result r;
  Analyzer a(memory, r);
  for (const auto& [address, size] : options.data)
    for (std::uint32_t i = 0; i < size; ++i) a.MarkData(address + i, "given");
  if (memory.Has(0)) {
    a.Entry(0, false);
    r.routines.insert(0);
  }
  for (const auto& [line, vector] : kVectors) {
    if (!memory.Has(vector) || r.cls[vector] != Class::Unknown) continue;
    a.MarkData(vector, "vector");
    const std::uint16_t handler = memory.At(vector);
    if (!memory.Has(handler)) continue;
    r.handlers.emplace(handler, line);
    r.routines.insert(handler);
    a.Entry(handler, false);
  }
  for (std::uint16_t e : options.entries) {
    r.routines.insert(e);
    a.Entry(e, false);
  }
  a.Run();
  a.CallTable();
  a.Run();
  for (std::uint16_t e : options.executed) a.Entry(e, true);
  a.Run();
  DataReferences(memory, r);
  return r;
}

}  // namespace kv74::ana
