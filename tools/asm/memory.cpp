#include "tools/asm/memory.hpp"

#include <cstdio>

#include "tools/asm/text.hpp"

namespace kv74::as {
int AreaOf(std::int64_t address) {
  for (int i = 0; i < kAreaCount; ++i)
    if (address >= kAreas[i].start && address < kAreas[i].start + kAreas[i].words) return i;
  return -1;
}

Memory::Memory() {
  for (int i = 0; i < kAreaCount; ++i) {
    stores_[i].words.assign(kAreas[i].words, 0);
    stores_[i].placedBy.assign(kAreas[i].words, -1);
  }
}

bool Memory::Place(std::int64_t address, std::uint16_t word, const Location& where,
                   Diagnostic& error) {
  const int area = AreaOf(address);
  if (area < 0) {
    error = {where,
             "word at " +
                 (address >= 0 && address <= 0xFFFF ? Hex4(address) : std::to_string(address)) +
                 " lies outside ProgramMemory (0x0000-0x1FFF), DataMemory "
                 "(0x4000-0x4FFF) and TableMemory (0x7000-0x7FFF)"};
    return false;
  }
  Store& s = stores_[area];
  const auto i = static_cast<std::size_t>(address - kAreas[area].start);
  if (s.placedBy[i] >= 0) {
    error = {where, "overlapping regions: " + Hex4(address) + " already holds a word placed at " +
                        Where(locations_[static_cast<std::size_t>(s.placedBy[i])])};
    return false;
  }
  if (locations_.empty() || locations_.back().line != where.line ||
      locations_.back().column != where.column || locations_.back().file != where.file)
    locations_.push_back(where);
  s.placedBy[i] = static_cast<int>(locations_.size() - 1);
  s.words[i] = word;
  s.used = true;
  return true;
}

bool Memory::SetWindow(std::int64_t start, std::int64_t bytes, const Location& where,
                       Diagnostic& error) {
  const int area = AreaOf(start);
  if (area < 0) {
    error = {where, ".image start must lie in one of the three areas"};
    return false;
  }
  Store& s = stores_[area];
  if (s.window) {
    error = {where, std::string(".image for ") + kAreas[area].name + " was already given at " +
                        Where(s.window->where)};
    return false;
  }
  const std::int64_t room = 2 * (kAreas[area].start + kAreas[area].words - start);
  if (bytes < 0 || bytes > room) {
    error = {where, ".image length " + std::to_string(bytes) +
                        " does not fit: " + std::to_string(room) + " bytes from " + Hex4(start) +
                        " to the end of " + kAreas[area].name};
    return false;
  }
  s.window = Window{static_cast<std::uint16_t>(start), static_cast<std::size_t>(bytes), where};
  s.used = true;
  return true;
}

void Memory::CheckWindows(Diagnostics& errors) const {
  for (int area = 0; area < kAreaCount; ++area) {
    const Store& s = stores_[area];
    if (!s.window) continue;
    const std::size_t first = s.window->start - kAreas[area].start;
    const std::size_t end = first + (s.window->bytes + 1) / 2;
    for (std::size_t i = 0; i < s.placedBy.size(); ++i) {
      if (s.placedBy[i] < 0 || (i >= first && i < end)) continue;
      errors.push_back({locations_[static_cast<std::size_t>(s.placedBy[i])],
                        "word at " + Hex4(kAreas[area].start + static_cast<std::int64_t>(i)) +
                            " lies outside the image set by .image at " + Where(s.window->where)});
      break;
    }
    // An odd length keeps only the low byte of the last word.
    if (s.window->bytes % 2 && end > first && s.placedBy[end - 1] >= 0 &&
        (s.words[end - 1] >> 8) != 0)
      errors.push_back({locations_[static_cast<std::size_t>(s.placedBy[end - 1])],
                        "the image ends in the middle of the word at " +
                            Hex4(kAreas[area].start + static_cast<std::int64_t>(end - 1)) +
                            ", whose high byte is not 0"});
  }
}

bool Memory::Used(int area) const { return stores_[area].used; }

std::vector<std::uint8_t> Memory::Image(int area) const {
  const Store& s = stores_[area];
  std::size_t first = 0;
  std::size_t bytes = 2 * s.words.size();
  if (s.window) {
    first = s.window->start - kAreas[area].start;
    bytes = s.window->bytes;
  }
  std::vector<std::uint8_t> out(bytes);
  for (std::size_t b = 0; b < bytes; ++b) {
    const std::uint16_t w = s.words[first + b / 2];
    out[b] = static_cast<std::uint8_t>(b % 2 ? w >> 8 : w);
  }
  return out;
}

}  // namespace kv74::as
