#include "debug/routines.hpp"

#include <cstdio>

#include "cpu/bus.hpp"
#include "cpu/decode.hpp"

namespace kv74::debug {

namespace {
bool IsCode(const dbg::DebugInfo& info, std::uint16_t a) {
  return info.LineAt(a) != nullptr && !info.IsData(a);
}
}  // namespace

Routines::Routines(const dbg::DebugInfo& info, BoardState& m, const Collector& c)
    : info_(info), m_(m) {
  for (const dbg::LineEntry& e : info.lines) {
    const std::uint16_t a = e.address;
    if (a >= PROGRAM_WORDS || info.IsData(a)) continue;
    const std::uint16_t op = m.ProgramMemory[a];
    const Op form = Decode(op);
    if (form == Op::CallTable) called_.insert(Resolve(m.ProgramMemory[FieldDD(op)]));
    if (form == Op::JumpAbs && FieldD(op) == 2 && a + 1u < PROGRAM_WORDS) {
      called_.insert(Resolve(m.ProgramMemory[a + 1]));
    }
  }
  for (std::size_t a = 0; a < Collector::kAddresses; ++a) {
    const auto at = static_cast<std::uint16_t>(a);
    if (c.Entered(at) == 0) continue;
    const std::uint16_t start = Resolve(at);
    called_.insert(start);
    entries_[start] += c.Entered(at);
  }
  std::erase_if(called_, [&](std::uint16_t a) { return !IsCode(info, a); });
  starts_ = called_;
  for (const dbg::Symbol& s : info.symbols) {
    if (s.kind != dbg::Symbol::Kind::Label || s.value > 0xFFFF) continue;
    const auto a = static_cast<std::uint16_t>(s.value);
    if (IsCode(info, a) && (a == 0 || !IsCode(info, static_cast<std::uint16_t>(a - 1)))) {
      starts_.insert(a);
    }
  }
}

std::uint16_t Routines::Resolve(std::uint16_t a) const {
  for (int hops = 0; hops < 4 && (a >= PROGRAM_WORDS || !IsCode(info_, a)); ++hops) {
    const std::uint16_t op = PeekWord(m_, a);
    if (Decode(op) != Op::JumpAbs || FieldD(op) != 3) break;
    a = PeekWord(m_, static_cast<std::uint16_t>(a + 1));
  }
  return a;
}

std::optional<std::uint16_t> Routines::Of(std::uint16_t a) const {
  a = Resolve(a);
  auto it = starts_.upper_bound(a);
  if (it == starts_.begin()) return std::nullopt;
  --it;
  // A routine stays in its memory area.
  if ((*it < PROGRAM_WORDS) != (a < PROGRAM_WORDS)) return std::nullopt;
  return *it;
}

std::string Routines::Name(std::uint16_t start) const {
  if (const dbg::Symbol* s = info_.LabelAt(start)) return s->name;
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", start);
  return text;
}

std::uint64_t Routines::Entries(std::uint16_t start) const {
  const auto it = entries_.find(start);
  return it == entries_.end() ? 0 : it->second;
}

}  // namespace kv74::debug
