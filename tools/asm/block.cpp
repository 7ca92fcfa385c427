#include "tools/asm/block.hpp"

#include <cctype>
#include <cstring>

namespace kv74::as {
namespace {

bool Decimal(const std::string& s, std::size_t from) {
  if (from >= s.size()) return false;
  for (std::size_t i = from; i < s.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

bool PackedDecimal(char letter) { return std::strchr("GMST", letter) != nullptr; }

std::optional<BlockItem> ParseItem(const Span& item, Diagnostic& error) {
  const std::string& s = item.text;
  BlockItem out;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
  if (!std::strchr(kBlockLetters, letter)) {
    error = {item.where, "'" + s + "': a block item begins with one of X Z G M S T P F"};
    return std::nullopt;
  }
  out.letter = letter;
  std::size_t pos = 1;
  if (letter == 'X' || letter == 'Z') {
    if (s.compare(pos, 2, "+\\") == 0) {
      out.flags = blockflag::PLUS;
      pos += 2;
    } else if (s.compare(pos, 2, "-/") == 0) {
      out.flags = blockflag::MINUS;
      pos += 2;
    } else if (pos < s.size() && (s[pos] == 'w' || s[pos] == 'W')) {
      out.flags = blockflag::W;
      ++pos;
    }
    if (pos < s.size() && (s[pos] == 'L' || s[pos] == 'l')) {
      out.lFlag = true;
      ++pos;
    }
  }
  out.value = SubSpan(item, pos);
  const std::string& v = out.value.text;
  const bool expression = !v.empty() && v[0] == '(' && v.back() == ')';
  const bool number = PackedDecimal(letter)
                          ? Decimal(v, 0)
                          : Decimal(v, (!v.empty() && (v[0] == '-' || v[0] == '+')) ? 1 : 0);
  if (!expression && !number) {
    error = {out.value.where,
             "'" + s + "': expected " +
                 (PackedDecimal(letter) ? std::string("up to six decimal digits")
                                        : std::string("a signed decimal number")) +
                 " or a parenthesised expression after " + std::string(1, letter) +
                 (letter == 'X' || letter == 'Z' ? " (and its flags +\\ -/ w L)" : "")};
    return std::nullopt;
  }
  return out;
}

}  // namespace

std::optional<std::vector<BlockItem>> ParseBlock(const Span& text, Diagnostic& error) {
  std::vector<BlockItem> items;
  const std::string& s = text.text;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i >= s.size()) break;
    const std::size_t start = i;
    int depth = 0;
    while (i < s.size() && (depth > 0 || (s[i] != ' ' && s[i] != '\t'))) {
      if (s[i] == '(') ++depth;
      if (s[i] == ')') --depth;
      ++i;
    }
    auto item = ParseItem(SubSpan(text, start, i - start), error);
    if (!item) return std::nullopt;
    items.push_back(*item);
  }
  if (items.empty()) {
    error = {text.where, ".block needs at least one item, e.g. .block G1 X+\\L1500 Z-200"};
    return std::nullopt;
  }
  return items;
}

std::optional<BlockEntry> EncodeEntry(const BlockItem& item, std::int64_t value, bool last,
                                      std::string& error) {
  std::uint32_t bits = 0;
  if (PackedDecimal(item.letter)) {
    if (value < 0 || value > 999999) {
      error = std::string(1, item.letter) + " takes 0..999999, not " + std::to_string(value);
      return std::nullopt;
    }
    for (int shift = 0; value > 0; shift += 4, value /= 10)
      bits |= static_cast<std::uint32_t>(value % 10) << shift;
  } else {
    if (value < -8388608 || value > 8388607) {
      error =
          std::string(1, item.letter) + " takes -8388608..8388607, not " + std::to_string(value);
      return std::nullopt;
    }
    bits = static_cast<std::uint32_t>(value) & 0xFFFFFFu;
  }
  const auto type =
      static_cast<unsigned>(std::strchr(kBlockLetters, item.letter) - kBlockLetters + 1);
  BlockEntry e;
  e.hi = static_cast<std::uint16_t>((last ? 0x8000u : 0u) | (item.lFlag ? 0x4000u : 0u) |
                                    item.flags << 12 | type << 8 | bits >> 16);
  e.lo = static_cast<std::uint16_t>(bits);
  return e;
}

Value EmitBlock(const std::vector<BlockItem>& items, Scope& scope,
                std::vector<std::uint16_t>& words) {
  words.clear();
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Value v = Evaluate(items[i].value, scope);
    if (!v.ok()) return v;
    std::string error;
    const auto entry = EncodeEntry(items[i], v.value, i + 1 == items.size(), error);
    if (!entry) return Failure(items[i].value.where, error);
    words.push_back(entry->hi);
    words.push_back(entry->lo);
  }
  return Known(0);
}

}  // namespace kv74::as
