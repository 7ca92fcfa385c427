// The monitor's expressions: parsed once (names resolved then, so a script is checked before it
// runs), evaluated against the machine as often as wanted.
//
//   numbers      decimal, 0x hex
//   names        registers as the disassembler writes them (R0..RF, also R10..R15, BASE0, BASE1,
//                SP, PC, FLAGS; any case), `steps` (steps run so far), the peripheral fields by
//                their JSON names (timerPrescaler, channelPeriod[I], seqState, ...; also
//                registers[W] and data_memory[I]), else a symbol through the lookup callback
//   [ADDR]       the word at ADDR (any area, the I/O page included), read without side effects
//   [ADDR]:32    the signed 32-bit cell at ADDR, high word first
//   operators    C's, with C's precedence: unary - ~ !, * / %, + -, << >>, < <= > >=, == !=,
//                &, ^, |, &&, ||; comparisons and logic give 1 or 0
// Values are 64-bit and wrap; division by zero is an evaluation error.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "board/machine.hpp"

namespace kv74::mon {

// A parse error; `column` is the 0-based offset in the text parsed.
class ParseError : public std::runtime_error {
 public:
  ParseError(const std::string& what, std::size_t column)
      : std::runtime_error(what), column(column) {}
  std::size_t column;
};

// An expression that cannot be evaluated (division by zero, an index out of range).
class EvalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A symbol's value by name, or nothing when there is no such symbol.
using SymbolLookup = std::function<std::optional<std::int64_t>(std::string_view)>;

// Peripheral fields of the machine, by the names the runner's JSON uses.
enum class Field : std::uint8_t {
  TimerPrescaler,
  TimerCount,
  ChannelPeriod,
  ChannelDivider,
  ChannelMarkCount,
  JogDivider,
  JogSampleCount,
  SeqState,
  SeqCode,
  SeqCountdown,
  Registers,
  DataMemory,
};

// Operators, unary first.
enum class Operator : std::uint8_t {
  Neg,
  BitNot,
  Not,
  Mul,
  Div,
  Mod,
  Add,
  Sub,
  Shl,
  Shr,
  Lt,
  Le,
  Gt,
  Ge,
  Eq,
  Ne,
  BitAnd,
  BitXor,
  BitOr,
  And,
  Or,
};

struct Node {
  enum class Kind : std::uint8_t {
    Number,    // value
    Register,  // value = register file word
    Steps,
    Field,   // field; a = index node or -1
    Word,    // a = address node
    Cell32,  // a = address node
    Unary,   // op; a
    Binary,  // op; a, b
  };
  Kind kind;
  Operator op = Operator::Neg;
  Field field = Field::TimerPrescaler;
  std::int64_t value = 0;
  int a = -1, b = -1;
};

// What an expression reads besides constants.
struct Machine {
  const BoardState& m;
  std::uint64_t steps = 0;
};

class Expr {
 public:
  // The whole text as one expression.
  static Expr Parse(std::string_view text, const SymbolLookup& symbols);
  // An expression from text[pos] on; stops before the first token that cannot continue it and
  // sets pos there (spaces skipped).
  static Expr ParsePrefix(std::string_view text, std::size_t& pos, const SymbolLookup& symbols);

  std::int64_t Evaluate(const Machine& machine) const;
  // True when the value depends on nothing but numbers and symbols.
  bool IsConstant() const;
  std::int64_t EvaluateConstant() const;

  // The root is a register, a word or a 32-bit cell: something `set` can store into.
  bool IsStorable() const;
  const Node& Root() const { return nodes_[static_cast<std::size_t>(root_)]; }
  // The value of one node of Nodes(), such as a side of the root's comparison.
  std::int64_t EvaluateNode(int node, const Machine& machine) const { return Eval(node, &machine); }
  // The value of a root's address operand (Word, Cell32).
  std::int64_t EvaluateOperand(const Machine& machine) const;

  const std::string& Text() const { return text_; }
  const std::vector<Node>& Nodes() const { return nodes_; }

 private:
  friend class ExprParser;
  std::int64_t Eval(int node, const Machine* machine) const;

  std::vector<Node> nodes_;
  int root_ = -1;
  std::string text_;
};

// The register file word of a register name (any case), or -1.
int RegisterWord(std::string_view name);
// The name the monitor prints for register file word w ("R0", "BASE0", "PC", "[F123]", ...).
std::string RegisterName(int w);

// The word a processor read at address a would give, with no side effect (counters are not
// cleared, the keyboard register is not consumed). Unmapped addresses read 0.
std::uint16_t PeekWord(const BoardState& m, std::uint16_t a);

// Deepest nesting of parentheses, brackets and unary operators an expression may have.
inline constexpr int kMaxExprDepth = 64;

}  // namespace kv74::mon
