#include "tools/asm/operand.hpp"

#include <cctype>

#include "tools/asm/expr.hpp"
#include "tools/asm/text.hpp"

namespace kv74::as {
namespace {

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && Upper(s.substr(0, prefix.size())) == prefix;
}

// Length of the name token at the start of `s` (0 if none).
// A register name at the start of `s`, as a whole token; sets `length`.
std::optional<unsigned> LeadingRegister(const std::string& s, std::size_t& length) {
  length = NameLength(s);
  return length ? RegisterNumber(s.substr(0, length)) : std::nullopt;
}

Operand Make(OperandKind kind, const Span& at) {
  Operand op;
  op.kind = kind;
  op.where = at.where;
  return op;
}

// Inside "M[BASEX+" ... "]".
Operand ParseBasex(const Span& rest, const Span& whole) {
  Operand op = Make(OperandKind::Basex, whole);
  const std::string& r = rest.text;
  std::size_t len = 0;
  if (r.size() > 5 && r.compare(0, 3, "(--") == 0 && r.back() == ')') {
    const std::string inner = r.substr(3, r.size() - 4);
    if (auto n = RegisterNumber(inner)) {
      op.mode = 4;
      op.reg = *n;
      return op;
    }
  }
  if (auto n = LeadingRegister(r, len)) {
    op.reg = *n;
    if (len == r.size()) {
      op.mode = 0;
      return op;
    }
    if (r.substr(len) == "++") {
      op.mode = 1;
      return op;
    }
    if (r[len] == '+') {
      op.mode = 3;
      op.field = SubSpan(rest, len + 1);
      return op;
    }
  }
  op.mode = 2;
  op.field = rest;
  return op;
}

// Inside "M[" ... "]".
Operand ParseMemory(const Span& inner, const Span& whole) {
  const std::string& s = inner.text;
  if (StartsWithNoCase(s, "BASE0+") || StartsWithNoCase(s, "BASE1+")) {
    Operand op = Make(OperandKind::Short, whole);
    op.mode = s[4] == '1' ? 1 : 0;
    op.field = SubSpan(inner, 6);
    return op;
  }
  if (StartsWithNoCase(s, "BASEX+")) return ParseBasex(Trim(SubSpan(inner, 6)), whole);
  Operand op = Make(OperandKind::Indirect, whole);
  if (s.size() > 2 && s.compare(0, 2, "--") == 0) {
    if (auto n = RegisterNumber(s.substr(2))) {
      op.mode = 3;
      op.reg = *n;
      return op;
    }
  }
  if (s.size() > 2 && s.compare(s.size() - 2, 2, "++") == 0) {
    if (auto n = RegisterNumber(s.substr(0, s.size() - 2))) {
      op.mode = 2;
      op.reg = *n;
      return op;
    }
  }
  if (auto n = RegisterNumber(s)) {
    op.mode = 1;
    op.reg = *n;
    return op;
  }
  op.kind = OperandKind::TableEntry;
  op.field = inner;
  return op;
}

}  // namespace

std::optional<unsigned> RegisterNumber(const std::string& s) {
  if (s.size() < 2 || s.size() > 3 || (s[0] != 'R' && s[0] != 'r')) return std::nullopt;
  const std::string digits = Upper(s.substr(1));
  if (digits.size() == 1 && std::isxdigit(static_cast<unsigned char>(digits[0])))
    return static_cast<unsigned>(std::stoul(digits, nullptr, 16));
  if (digits.size() == 2 && digits[0] == '1' && digits[1] >= '0' && digits[1] <= '5')
    return static_cast<unsigned>(10 + digits[1] - '0');
  return std::nullopt;
}

std::optional<Operand> ParseOperand(const Span& raw, Diagnostic& error) {
  const Span text = Trim(raw);
  const std::string& s = text.text;
  if (s.empty()) {
    error = {text.where, "missing operand"};
    return std::nullopt;
  }
  if (s[0] == '#') {
    Operand op = Make(OperandKind::Immediate, text);
    op.field = SubSpan(text, 1);
    return op;
  }
  if (StartsWithNoCase(s, "M[")) {
    if (s.back() != ']') {
      error = {text.where, "memory operand '" + s + "' lacks its closing ']'"};
      return std::nullopt;
    }
    return ParseMemory(Trim(SubSpan(text, 2, s.size() - 3)), text);
  }
  if (s[0] == '[') {
    if (s.back() != ']') {
      error = {text.where, "operand '" + s + "' lacks its closing ']'"};
      return std::nullopt;
    }
    const Span inner = Trim(SubSpan(text, 1, s.size() - 2));
    if (Upper(inner.text) == "STACK") return Make(OperandKind::Stack, text);
    if (auto n = RegisterNumber(inner.text)) {
      Operand op = Make(OperandKind::RegisterTarget, text);
      op.reg = *n;
      return op;
    }
    Operand op = Make(OperandKind::Bracket, text);
    op.field = inner;
    return op;
  }
  if (auto n = RegisterNumber(s)) {
    Operand op = Make(OperandKind::Register, text);
    op.reg = *n;
    return op;
  }
  const auto slash = s.find('/');
  if (slash != std::string::npos) {
    const auto p = RegisterNumber(s.substr(0, slash));
    const std::string q = s.substr(slash + 1);
    if (p && q.size() == 1 && std::isxdigit(static_cast<unsigned char>(q[0]))) {
      if (std::stoul(q, nullptr, 16) != (*p ^ 1u)) {
        error = {text.where, "'" + s + "' is not a register pair (the partner of R" +
                                 std::to_string(*p) + " is R" + std::to_string(*p ^ 1u) + ")"};
        return std::nullopt;
      }
      Operand op = Make(OperandKind::Pair, text);
      op.reg = *p;
      return op;
    }
  }
  if (s.size() >= 3) {
    const char last = static_cast<char>(std::toupper(static_cast<unsigned char>(s.back())));
    if (last == 'H' || last == 'L') {
      if (auto n = RegisterNumber(s.substr(0, s.size() - 1))) {
        Operand op = Make(OperandKind::ByteRegister, text);
        op.reg = *n;
        op.byte = last;
        return op;
      }
    }
  }
  Operand op = Make(OperandKind::Bare, text);
  op.field = text;
  return op;
}

}  // namespace kv74::as
