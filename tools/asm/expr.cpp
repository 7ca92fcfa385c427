#include "tools/asm/expr.hpp"

#include <cctype>
#include <limits>

namespace kv74::as {

Value Known(std::int64_t v) { return Value{Status::Ok, v, {}}; }

Value Failure(Location where, std::string message) {
  return Value{Status::Error, 0, Diagnostic{std::move(where), std::move(message)}};
}

bool IsNameStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}
bool IsNameChar(char c) { return IsNameStart(c) || std::isdigit(static_cast<unsigned char>(c)); }

bool IsName(const std::string& s) {
  if (s.empty() || !IsNameStart(s[0])) return false;
  for (char c : s)
    if (!IsNameChar(c)) return false;
  return true;
}

namespace {

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// Nesting of unary operators, parentheses and constants defined by other constants, counted
// across the evaluations a lookup starts; deeper input would exhaust the stack.
constexpr int kMaxDepth = 200;
thread_local int g_depth = 0;

struct DepthGuard {
  DepthGuard() { ++g_depth; }
  ~DepthGuard() { --g_depth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  bool Exceeded() const { return g_depth > kMaxDepth; }
};

// Wrapping arithmetic on the two's-complement 64-bit value.
std::int64_t Wrap(std::uint64_t v) { return static_cast<std::int64_t>(v); }

class Parser {
 public:
  Parser(const Span& span, Scope& scope) : text_(span.text), where_(span.where), scope_(scope) {}

  Value ParseAll() {
    SkipBlanks();
    if (pos_ >= text_.size()) return Fail("expected an expression");
    Value v = LogicalOr();
    SkipBlanks();
    if (pos_ < text_.size() && Good(v)) return Fail("unexpected '" + text_.substr(pos_, 1) + "'");
    return v;
  }

 private:
  // Error beats Undefined beats Ok when two operands are combined.
  static bool Good(const Value& v) { return v.status != Status::Error; }
  static Value Combine(const Value& a, const Value& b, std::int64_t result) {
    if (a.status == Status::Error) return a;
    if (b.status == Status::Error) return b;
    if (a.status == Status::Undefined) return a;
    if (b.status == Status::Undefined) return b;
    return Known(result);
  }

  Location Here() const {
    Location l = where_;
    l.column += static_cast<int>(pos_);
    return l;
  }
  Value Fail(const std::string& message) const { return Failure(Here(), message); }

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  bool Accept(const char* op) {
    SkipBlanks();
    const std::string_view o(op);
    if (text_.compare(pos_, o.size(), o) != 0) return false;
    // Keep "<" from matching the start of "<<" or "<=", and so on.
    if (o.size() == 1 && pos_ + 1 < text_.size()) {
      static constexpr std::string_view kPairs[] = {"<<", "<=", ">>", ">=", "==", "!=", "&&", "||"};
      for (std::string_view pair : kPairs)
        if (pair[0] == o[0] && pair[1] == text_[pos_ + 1]) return false;
    }
    pos_ += o.size();
    return true;
  }

  template <typename Next, typename Apply>
  Value Binary(Next next, std::initializer_list<const char*> ops, Apply apply) {
    Value left = (this->*next)();
    for (;;) {
      if (!Good(left)) return left;
      const char* matched = nullptr;
      for (const char* op : ops)
        if (Accept(op)) {
          matched = op;
          break;
        }
      if (!matched) return left;
      const Location at = Here();
      Value right = (this->*next)();
      if (!Good(right)) return right;
      if (left.ok() && right.ok()) {
        Value r = apply(std::string_view(matched), left.value, right.value, at);
        if (!Good(r)) return r;
        left = r;
      } else {
        left = Combine(left, right, 0);
      }
    }
  }

  Value LogicalOr() {
    return Binary(&Parser::LogicalAnd, {"||"},
                  [](std::string_view, std::int64_t a, std::int64_t b, const Location&) {
                    return Known(a != 0 || b != 0);
                  });
  }
  Value LogicalAnd() {
    return Binary(&Parser::Or, {"&&"},
                  [](std::string_view, std::int64_t a, std::int64_t b, const Location&) {
                    return Known(a != 0 && b != 0);
                  });
  }
  Value Or() {
    return Binary(&Parser::Xor, {"|"},
                  [](std::string_view, std::int64_t a, std::int64_t b, const Location&) {
                    return Known(a | b);
                  });
  }
  Value Xor() {
    return Binary(&Parser::And, {"^"},
                  [](std::string_view, std::int64_t a, std::int64_t b, const Location&) {
                    return Known(a ^ b);
                  });
  }
  Value And() {
    return Binary(&Parser::Equality, {"&"},
                  [](std::string_view, std::int64_t a, std::int64_t b, const Location&) {
                    return Known(a & b);
                  });
  }
  Value Equality() {
    return Binary(&Parser::Relational, {"==", "!="},
                  [](std::string_view op, std::int64_t a, std::int64_t b, const Location&) {
                    return Known(op == "==" ? a == b : a != b);
                  });
  }
  Value Relational() {
    return Binary(&Parser::Shift, {"<=", ">=", "<", ">"},
                  [](std::string_view op, std::int64_t a, std::int64_t b, const Location&) {
                    if (op == "<=") return Known(a <= b);
                    if (op == ">=") return Known(a >= b);
                    return Known(op == "<" ? a < b : a > b);
                  });
  }
  Value Shift() {
    return Binary(&Parser::Additive, {"<<", ">>"},
                  [](std::string_view op, std::int64_t a, std::int64_t b, const Location& at) {
                    if (b < 0 || b > 63) return Failure(at, "shift count out of range 0..63");
                    if (op == "<<") return Known(Wrap(static_cast<std::uint64_t>(a) << b));
                    return Known(a >> b);
                  });
  }
  Value Additive() {
    return Binary(&Parser::Multiplicative, {"+", "-"},
                  [](std::string_view op, std::int64_t a, std::int64_t b, const Location&) {
                    const auto ua = static_cast<std::uint64_t>(a);
                    const auto ub = static_cast<std::uint64_t>(b);
                    return Known(Wrap(op == "+" ? ua + ub : ua - ub));
                  });
  }
  Value Multiplicative() {
    return Binary(
        &Parser::Unary, {"*", "/", "%"},
        [](std::string_view op, std::int64_t a, std::int64_t b, const Location& at) {
          if (op == "*")
            return Known(Wrap(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b)));
          if (b == 0) return Failure(at, "division by zero");
          if (a == std::numeric_limits<std::int64_t>::min() && b == -1)
            return Known(op == "/" ? a : 0);
          return Known(op == "/" ? a / b : a % b);
        });
  }

  Value Unary() {
    const DepthGuard guard;
    if (guard.Exceeded()) {
      return Fail("expression nested more than " + std::to_string(kMaxDepth) +
                  " deep (parentheses, unary operators and constants defined by constants)");
    }
    if (Accept("-")) {
      Value v = Unary();
      if (v.ok()) v.value = Wrap(0 - static_cast<std::uint64_t>(v.value));
      return v;
    }
    if (Accept("!")) {
      Value v = Unary();
      if (v.ok()) v.value = v.value == 0;
      return v;
    }
    if (Accept("~")) {
      Value v = Unary();
      if (v.ok()) v.value = ~v.value;
      return v;
    }
    if (Accept("+")) return Unary();
    return Primary();
  }

  Value Primary() {
    SkipBlanks();
    if (pos_ >= text_.size()) return Fail("expected a value");
    const char c = text_[pos_];
    if (c == '(') {
      ++pos_;
      Value v = LogicalOr();
      if (!Good(v)) return v;
      if (!Accept(")")) return Fail("expected ')'");
      return v;
    }
    if (c == '$') {
      ++pos_;
      return Known(scope_.Dollar());
    }
    if (c == '\'') return Character();
    if (std::isdigit(static_cast<unsigned char>(c))) return Number();
    if (IsNameStart(c)) {
      const Location at = Here();
      const std::size_t start = pos_;
      while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
      return scope_.Lookup(text_.substr(start, pos_ - start), at);
    }
    return Fail("unexpected '" + std::string(1, c) + "'");
  }

  Value Character() {
    const Location at = Here();
    ++pos_;
    if (pos_ >= text_.size()) return Failure(at, "unterminated character literal");
    char c = text_[pos_++];
    if (c == '\\') {
      if (pos_ >= text_.size()) return Failure(at, "unterminated character literal");
      const char e = text_[pos_++];
      switch (e) {
        case 'n': c = '\n'; break;
        case 't': c = '\t'; break;
        case 'r': c = '\r'; break;
        case '0': c = '\0'; break;
        case '\\':
        case '\'': c = e; break;
        default: return Failure(at, "unknown escape '\\" + std::string(1, e) + "'");
      }
    }
    if (pos_ >= text_.size() || text_[pos_] != '\'')
      return Failure(at, "unterminated character literal");
    ++pos_;
    return Known(static_cast<unsigned char>(c));
  }

  Value Number() {
    const Location at = Here();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    const std::string token = text_.substr(start, pos_ - start);
    int radix = 10;
    std::size_t digits = 0;
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
      radix = 16;
      digits = 2;
    } else if (token.size() > 2 && token[0] == '0' && (token[1] == 'b' || token[1] == 'B')) {
      radix = 2;
      digits = 2;
    }
    std::uint64_t v = 0;
    for (std::size_t i = digits; i < token.size(); ++i) {
      const char ch = static_cast<char>(std::tolower(static_cast<unsigned char>(token[i])));
      int digit = -1;
      if (ch >= '0' && ch <= '9') digit = ch - '0';
      if (ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
      if (digit < 0 || digit >= radix) {
        if (radix == 10 && IsHexDigit(ch))
          return Failure(at, "bad number '" + token + "' (hex numbers take the prefix 0x here)");
        return Failure(at, "bad number '" + token + "'");
      }
      if (v > (std::numeric_limits<std::uint64_t>::max() - digit) / radix)
        return Failure(at, "number '" + token + "' is too large");
      v = v * radix + digit;
    }
    if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
      return Failure(at, "number '" + token + "' is too large");
    return Known(static_cast<std::int64_t>(v));
  }

  std::string text_;
  Location where_;
  Scope& scope_;
  std::size_t pos_ = 0;
};

}  // namespace

Value Evaluate(const Span& span, Scope& scope) { return Parser(span, scope).ParseAll(); }

Value EvaluateField(const Span& raw, Scope& scope) {
  const Span span = Trim(raw);
  const std::string& s = span.text;
  const std::size_t first = (!s.empty() && s[0] == '-') ? 1 : 0;
  bool bareHex = s.size() > first;
  for (std::size_t i = first; i < s.size() && bareHex; ++i) bareHex = IsHexDigit(s[i]);
  if (bareHex) {
    if (s.size() - first > 8) return Failure(span.where, "number '" + s + "' is too large");
    const auto v = static_cast<std::int64_t>(std::stoull(s.substr(first), nullptr, 16));
    return Known(first ? -v : v);
  }
  const bool hexPrefix = s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
  if (!s.empty() && std::isdigit(static_cast<unsigned char>(s[0])) && !hexPrefix)
    return Failure(span.where, "'" + s +
                                   "': bare digits in an operand are hex; put an expression that "
                                   "begins with a number in parentheses");
  return Evaluate(span, scope);
}

}  // namespace kv74::as
