#include "tools/asm/debug_output.hpp"

#include <algorithm>
#include <filesystem>

namespace kv74::as {
namespace {

void SortByAddress(auto& records) {
  std::stable_sort(records.begin(), records.end(),
                   [](const auto& a, const auto& b) { return a.address < b.address; });
}

}  // namespace

void DebugOutput::AddSource(const std::string& path) {
  if (sources_.emplace(path, static_cast<int>(sources_.size())).second)
    info_.sources.push_back(Relative(path));
}

int DebugOutput::SourceIndex(const std::string& path) const {
  const auto it = sources_.find(path);
  return it == sources_.end() ? -1 : it->second;
}

// Relative to the base folder, or absolute where there is no relative way.
std::string DebugOutput::Relative(const std::string& path) const {
  if (base_.empty()) return path;
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path file = fs::absolute(path, ec).lexically_normal();
  const fs::path base = fs::absolute(base_, ec).lexically_normal();
  if (ec) return path;
  const fs::path relative = file.lexically_relative(base);
  return (relative.empty() ? file : relative).generic_string();
}

void DebugOutput::AddSymbol(const std::string& name, std::int64_t value, bool label,
                            const Location& where) {
  const int source = SourceIndex(where.file);
  info_.symbols.push_back({name, static_cast<std::uint32_t>(label ? value & 0xFFFF : value),
                           label ? dbg::Symbol::Kind::Label : dbg::Symbol::Kind::Equ, source,
                           source < 0 ? 0 : where.line});
}

void DebugOutput::AddStatement(std::int64_t address, std::size_t words, const Location& where,
                               const char* dataKind) {
  if (words == 0) return;
  const auto at = static_cast<std::uint16_t>(address);
  const auto size = static_cast<std::uint16_t>(words);
  info_.lines.push_back({at, size, SourceIndex(where.file), where.line});
  if (!dataKind) return;
  auto& data = info_.data;
  if (!data.empty() && data.back().kind == dataKind && data.back().address + data.back().size == at)
    data.back().size += size;
  else
    data.push_back({at, size, dataKind});
}

dbg::DebugInfo DebugOutput::Finish(const bool (&used)[kAreaCount]) {
  SortByAddress(info_.lines);
  for (int a = 0; a < kAreaCount; ++a) {
    if (!used[a]) continue;
    std::uint32_t next = kAreas[a].start;
    const std::uint32_t end = kAreas[a].start + kAreas[a].words;
    const auto gap = [&](std::uint32_t to) {
      if (to > next) info_.data.push_back({static_cast<std::uint16_t>(next), to - next, "unused"});
    };
    for (const dbg::LineEntry& e : info_.lines) {
      if (e.address < next || e.address >= end) continue;
      gap(e.address);
      next = e.address + e.size;
    }
    gap(end);
  }
  SortByAddress(info_.data);
  return std::move(info_);
}

}  // namespace kv74::as
