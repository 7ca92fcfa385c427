// Source positions and error messages of the assembler.
#pragma once

#include <string>
#include <vector>

namespace kv74::as {

struct Location {
  std::string file;
  int line = 0;    // 1-based
  int column = 0;  // 1-based
};

// A piece of one source line and where its first character stands.
struct Span {
  std::string text;
  Location where;
};

// The part of `span` from `offset` on, `length` characters (npos: to the end).
Span SubSpan(const Span& span, std::size_t offset, std::size_t length = std::string::npos);
// `span` without leading and trailing blanks.
Span Trim(const Span& span);

struct Diagnostic {
  Location where;
  std::string message;
};

// "file:line:column"
std::string Where(const Location& l);

// "file:line:column: error: message"
std::string Format(const Diagnostic& d);

using Diagnostics = std::vector<Diagnostic>;

}  // namespace kv74::as
