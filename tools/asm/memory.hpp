// The three areas that a source places words into, and their output images.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/asm/diag.hpp"

namespace kv74::as {

struct Area {
  const char* name;
  std::uint16_t start;
  std::uint16_t words;
  const char* image;  // default output file name
};

inline constexpr Area kAreas[] = {
    {"ProgramMemory", 0x0000, 0x2000, "V4"},
    {"DataMemory", 0x4000, 0x1000, "RAM"},
    {"TableMemory", 0x7000, 0x1000, "AMT"},
};
inline constexpr int kAreaCount = 3;
inline constexpr int kProgramArea = 0;

// Index into kAreas of the area holding `address`, or -1.
int AreaOf(std::int64_t address);

// Words placed so far, who placed them, and each area's image window.
class Memory {
 public:
  Memory();

  // Stores one word. Fails (with `error`) outside the areas or on an address already used.
  bool Place(std::int64_t address, std::uint16_t word, const Location& where, Diagnostic& error);

  // `.image start, bytes`: the area's image begins at word `start` and is `bytes` long.
  bool SetWindow(std::int64_t start, std::int64_t bytes, const Location& where, Diagnostic& error);

  // Errors for words placed outside their area's window.
  void CheckWindows(Diagnostics& errors) const;

  bool Used(int area) const;
  std::vector<std::uint8_t> Image(int area) const;

 private:
  struct Window {
    std::uint16_t start;
    std::size_t bytes;
    Location where;
  };
  struct Store {
    std::vector<std::uint16_t> words;
    std::vector<int> placedBy;  // index into locations_, -1 = free
    std::optional<Window> window;
    bool used = false;
  };
  Store stores_[kAreaCount];
  std::vector<Location> locations_;
};

}  // namespace kv74::as
