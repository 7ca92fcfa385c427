// Small text helpers shared by the assembler's parts.
#pragma once

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/asm/expr.hpp"

namespace kv74::as {

inline std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

inline std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// `digits` upper-case hex digits (at least), no prefix.
inline std::string Hex(std::int64_t v, int digits) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%0*llX", digits, static_cast<unsigned long long>(v));
  return buf;
}

// "0x1234" for an address or word.
inline std::string Hex4(std::int64_t v) { return "0x" + Hex(v & 0xFFFF, 4); }

// Length of the name at the start of `s`, 0 if none.
inline std::size_t NameLength(const std::string& s) {
  if (s.empty() || !IsNameStart(s[0])) return 0;
  std::size_t n = 1;
  while (n < s.size() && IsNameChar(s[n])) ++n;
  return n;
}

inline std::size_t SkipBlanks(const std::string& s, std::size_t i) {
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return i;
}

}  // namespace kv74::as
