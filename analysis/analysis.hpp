// Analysis of an image without sources: recursive descent from the entry points through the
// decoder's forms, telling code from data by how instructions use the words, finding routines,
// jump tables and cross references. The heuristics are listed in docs/analysing-images.md.
//
//   Memory        the loaded images (words present or absent)
//   Options       extra entry points, executed addresses of a run, words known to be data
//   Result        per word: unknown, code (instruction start / second word) or data; the
//                 routines, branch targets, tables and references found
//   Analyze       the analysis itself, bounded by the address space: it always ends
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace kv74::ana {

struct Memory {
  std::array<std::uint16_t, 0x10000> words{};
  std::array<bool, 0x10000> present{};
  void Load(std::uint32_t base, const std::vector<std::uint16_t>& image);
  bool Has(std::uint32_t a) const { return a < 0x10000 && present[a]; }
  std::uint16_t At(std::uint32_t a) const { return words[a & 0xFFFF]; }
};

enum class Class : std::uint8_t { Unknown, Code, Data };

enum class RefKind : std::uint8_t { Call, Jump, Branch, Read, Write, Table };
const char* RefKindName(RefKind kind);

struct Ref {
  std::uint16_t from, to;
  RefKind kind;
  bool operator<(const Ref& o) const {
    return std::tie(to, from, kind) < std::tie(o.to, o.from, o.kind);
  }
  bool operator==(const Ref&) const = default;
};

struct Options {
  std::vector<std::uint16_t> entries;   // besides power-on and the request vectors
  std::vector<std::uint16_t> executed;  // instruction addresses a run carried out
  std::vector<std::pair<std::uint16_t, std::uint32_t>> data;  // (address, words) known data
};

struct Table {
  std::uint16_t address = 0, entries = 0;
  std::uint16_t site = 0;  // the indirect jump or call that uses it
};

struct Result {
  std::array<Class, 0x10000> cls{};
  std::array<bool, 0x10000> start{};              // first word of an instruction
  std::array<bool, 0x10000> traced{};             // code found only through the executed addresses
  std::map<std::uint16_t, std::string> dataKind;  // data word -> what made it data
  std::set<std::uint16_t> routines;               // call targets and entries
  std::set<std::uint16_t> targets;                // jump and branch targets
  std::map<std::uint16_t, int> handlers;          // request handler -> request line
  std::set<std::uint16_t> dataItems;              // addresses read or written as data
  std::vector<Table> tables;
  std::multimap<std::uint16_t, std::uint16_t> indirect;  // jump or call site -> table target
  std::set<Ref> refs;
  int base0 = -1, base1 = -1;  // the bases the image sets, -1 when not found

  // Instruction starts of the routine at `entry`: flow without following calls.
  std::vector<std::uint16_t> Body(const Memory& memory, std::uint16_t entry) const;
};

// Program memory words that hold request vectors, by request line (faults 1..3, interrupts 4..7).
inline constexpr std::array<std::pair<int, std::uint16_t>, 7> kVectors = {
    {{1, 191}, {2, 239}, {3, 255}, {4, 139}, {5, 136}, {6, 137}, {7, 138}}};
// The call table of the one-word CALL: program memory words 0..255.
inline constexpr std::uint16_t kCallTableEnd = 256;

Result Analyze(const Memory& memory, const Options& options);

}  // namespace kv74::ana
