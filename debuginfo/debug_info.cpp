// Lookups in the debug information.
#include "debuginfo/debug_info.hpp"

#include <algorithm>

namespace kv74::dbg {
namespace {

// Memory areas a label's offset may not cross, as [start, end).
struct Area {
  std::uint32_t start, end;
};
constexpr Area kAreas[] = {{0x0000, 0x2000}, {0x4000, 0x5000}, {0x7000, 0x8000}, {0xF000, 0xF200}};

int AreaOf(std::uint32_t address) {
  for (int i = 0; i < static_cast<int>(std::size(kAreas)); ++i)
    if (address >= kAreas[i].start && address < kAreas[i].end) return i;
  return -1;
}

}  // namespace

const Symbol* DebugInfo::Find(std::string_view name) const {
  for (const Symbol& s : symbols)
    if (s.name == name) return &s;
  return nullptr;
}

const Symbol* DebugInfo::LabelAt(std::uint16_t address) const {
  for (const Symbol& s : symbols)
    if (s.kind == Symbol::Kind::Label && s.value == address) return &s;
  return nullptr;
}

std::vector<const Symbol*> DebugInfo::LabelsAt(std::uint16_t address) const {
  std::vector<const Symbol*> found;
  for (const Symbol& s : symbols)
    if (s.kind == Symbol::Kind::Label && s.value == address) found.push_back(&s);
  return found;
}

std::optional<std::pair<const Symbol*, int>> DebugInfo::NearestLabel(std::uint16_t address) const {
  const int area = AreaOf(address);
  if (area < 0) return std::nullopt;
  const Symbol* best = nullptr;
  for (const Symbol& s : symbols) {
    if (s.kind != Symbol::Kind::Label || s.value > address || AreaOf(s.value) != area) continue;
    if (!best || s.value > best->value) best = &s;
  }
  if (!best) return std::nullopt;
  return std::make_pair(best, static_cast<int>(address - best->value));
}

const LineEntry* DebugInfo::LineAt(std::uint16_t address) const {
  auto it = std::upper_bound(lines.begin(), lines.end(), address,
                             [](std::uint16_t a, const LineEntry& e) { return a < e.address; });
  if (it == lines.begin()) return nullptr;
  --it;
  return address < it->address + it->size ? &*it : nullptr;
}

std::filesystem::path DebugInfo::SourcePath(int source) const {
  if (source < 0 || source >= static_cast<int>(sources.size())) return {};
  const std::filesystem::path p(sources[static_cast<std::size_t>(source)]);
  return (p.is_absolute() ? p : baseDir / p).lexically_normal();
}

std::vector<std::uint16_t> DebugInfo::AddressesOf(std::string_view file, int line) const {
  const std::filesystem::path wanted(file);
  const bool bareName = !wanted.has_parent_path();
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(wanted, ec).lexically_normal();
  std::vector<bool> match(sources.size());
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const std::filesystem::path full = SourcePath(static_cast<int>(i));
    match[i] = sources[i] == file || full == wanted.lexically_normal() ||
               (!ec && full == absolute) || (bareName && full.filename() == wanted);
  }
  std::vector<std::uint16_t> found;
  for (const LineEntry& e : lines)
    if (e.line == line && e.source >= 0 && e.source < static_cast<int>(match.size()) &&
        match[static_cast<std::size_t>(e.source)])
      found.push_back(e.address);
  return found;
}

const DataRegion* DebugInfo::DataAt(std::uint16_t address) const {
  for (const DataRegion& d : data)
    if (address >= d.address && address < d.address + d.size) return &d;
  return nullptr;
}

std::vector<const XRef*> DebugInfo::XRefsTo(std::uint16_t address) const {
  auto it = std::lower_bound(xrefs.begin(), xrefs.end(), address,
                             [](const XRef& x, std::uint16_t a) { return x.to < a; });
  std::vector<const XRef*> found;
  for (; it != xrefs.end() && it->to == address; ++it) found.push_back(&*it);
  return found;
}

bool DebugInfo::IsData(std::uint16_t address) const { return DataAt(address) != nullptr; }

}  // namespace kv74::dbg
