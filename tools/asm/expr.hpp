// Expressions: integers, characters, names, `$`, and the C operators
// + - * / % & | ^ << >> ~ == != < <= > >= && || ! with C precedence (comparisons give 1 or 0).
// Values are 64-bit; users range-check them.
#pragma once

#include <cstdint>
#include <string>

#include "tools/asm/diag.hpp"

namespace kv74::as {

enum class Status {
  Ok,
  Undefined,  // a name has no value yet; `diag` names it
  Error,      // `diag` says what is wrong
};

struct Value {
  Status status = Status::Ok;
  std::int64_t value = 0;
  Diagnostic diag;

  bool ok() const { return status == Status::Ok; }
};

Value Known(std::int64_t v);
Value Failure(Location where, std::string message);

// What names mean while an expression is evaluated.
class Scope {
 public:
  virtual ~Scope() = default;
  virtual Value Lookup(const std::string& name, const Location& where) = 0;
  virtual std::int64_t Dollar() const = 0;  // address of the current line
};

// A whole span as an expression (directive arguments).
Value Evaluate(const Span& span, Scope& scope);

// An instruction operand field: bare hex digits (optionally after `-`) are hexadecimal;
// anything else is an expression, which must not begin with a digit unless it is a 0x
// literal.
Value EvaluateField(const Span& span, Scope& scope);

// True for a name that can be a symbol: [A-Za-z_.][A-Za-z0-9_.]*.
bool IsName(const std::string& s);
bool IsNameStart(char c);
bool IsNameChar(char c);

}  // namespace kv74::as
