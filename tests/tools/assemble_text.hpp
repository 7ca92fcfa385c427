// Assembling sources held in memory, for the tests.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tools/asm/assembler.hpp"
#include "tools/asm/memory.hpp"

namespace kv74::as::test {

struct Sources {
  std::map<std::string, std::string> files;

  Result Assemble(const std::string& main = "main.s",
                  std::vector<std::pair<std::string, std::string>> defines = {}) const {
    Options options;
    options.defines = std::move(defines);
    options.read = [this](const std::string& path, std::string&) -> std::optional<std::string> {
      const auto it = files.find(path);
      if (it == files.end()) return std::nullopt;
      return it->second;
    };
    return kv74::as::Assemble(main, options);
  }
};

inline Result AssembleText(const std::string& text) {
  return Sources{{{"main.s", text}}}.Assemble();
}

// The words of area `area` (whole area), or empty if the area was not written.
inline std::vector<std::uint16_t> AreaWords(const Result& r, int area) {
  for (const AreaImage& image : r.images) {
    if (image.area != area) continue;
    std::vector<std::uint16_t> words(image.bytes.size() / 2);
    for (std::size_t i = 0; i < words.size(); ++i)
      words[i] = static_cast<std::uint16_t>(image.bytes[2 * i] | image.bytes[2 * i + 1] << 8);
    return words;
  }
  return {};
}

// Words from `address` on, `count` of them.
inline std::vector<std::uint16_t> WordsAt(const Result& r, std::uint16_t address,
                                          std::size_t count) {
  const int area = AreaOf(address);
  const auto all = AreaWords(r, area);
  if (all.empty()) return {};
  const std::size_t from = address - kAreas[area].start;
  return {all.begin() + static_cast<long>(from), all.begin() + static_cast<long>(from + count)};
}

inline std::string Errors(const Result& r) {
  std::string out;
  for (const auto& e : r.errors) out += Format(e) + "\n";
  return out;
}

}  // namespace kv74::as::test
