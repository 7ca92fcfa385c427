#include "tools/asm/diag.hpp"

namespace kv74::as {

Span SubSpan(const Span& span, std::size_t offset, std::size_t length) {
  offset = std::min(offset, span.text.size());
  Span out{span.text.substr(offset, length), span.where};
  out.where.column += static_cast<int>(offset);
  return out;
}

Span Trim(const Span& span) {
  const auto first = span.text.find_first_not_of(" \t");
  if (first == std::string::npos) return SubSpan(span, span.text.size());
  const auto last = span.text.find_last_not_of(" \t");
  return SubSpan(span, first, last - first + 1);
}

std::string Where(const Location& l) {
  return l.file + ":" + std::to_string(l.line) + ":" + std::to_string(l.column);
}

std::string Format(const Diagnostic& d) { return Where(d.where) + ": error: " + d.message; }

}  // namespace kv74::as
