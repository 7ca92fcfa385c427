#include "expr.hpp"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>

#include "board/shown.hpp"

namespace kv74::mon {
namespace {

struct NamedWord {
  std::string_view name;
  int word;
};

constexpr std::array<NamedWord, 9> kRegisterNames = {{{"BASE0", reg::BASE0},
                                                      {"BASE1", reg::BASE1},
                                                      {"SP", reg::SP},
                                                      {"PC", reg::PC},
                                                      {"FLAGS", reg::FLAGS},
                                                      {"SCRATCH", reg::SCRATCH},
                                                      {"IMASK", reg::IMASK},
                                                      {"FAULTS", reg::FAULTS},
                                                      {"STEPS", -1}}};

struct FieldName {
  std::string_view name;
  Field field;
  std::size_t size;  // 0 for a scalar
};

constexpr std::array<FieldName, 12> kFields = {{
    {"timerPrescaler", Field::TimerPrescaler, 0},
    {"timerCount", Field::TimerCount, 0},
    {"channelPeriod", Field::ChannelPeriod, 3},
    {"channelDivider", Field::ChannelDivider, 3},
    {"channelMarkCount", Field::ChannelMarkCount, 3},
    {"jogDivider", Field::JogDivider, 0},
    {"jogSampleCount", Field::JogSampleCount, 0},
    {"seqState", Field::SeqState, 0},
    {"seqCode", Field::SeqCode, 0},
    {"seqCountdown", Field::SeqCountdown, 0},
    {"registers", Field::Registers, reg::COUNT},
    {"data_memory", Field::DataMemory, DATA_WORDS},
}};

struct BinaryOp {
  std::string_view text;
  Operator op;
  int precedence;  // higher binds tighter
};

// Longest spellings first, so "<<" is not read as "<".
constexpr std::array<BinaryOp, 18> kBinaryOps = {{
    {"<<", Operator::Shl, 8},
    {">>", Operator::Shr, 8},
    {"<=", Operator::Le, 7},
    {">=", Operator::Ge, 7},
    {"==", Operator::Eq, 6},
    {"!=", Operator::Ne, 6},
    {"&&", Operator::And, 2},
    {"||", Operator::Or, 1},
    {"*", Operator::Mul, 10},
    {"/", Operator::Div, 10},
    {"%", Operator::Mod, 10},
    {"+", Operator::Add, 9},
    {"-", Operator::Sub, 9},
    {"<", Operator::Lt, 7},
    {">", Operator::Gt, 7},
    {"&", Operator::BitAnd, 5},
    {"^", Operator::BitXor, 4},
    {"|", Operator::BitOr, 3},
}};

constexpr std::size_t kMaxNodes = 4096;

bool IsNameStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}
bool IsNameChar(char c) { return IsNameStart(c) || std::isdigit(static_cast<unsigned char>(c)); }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

const FieldName* FindField(std::string_view name) {
  for (const FieldName& f : kFields) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

std::size_t FieldSize(Field field) {
  for (const FieldName& f : kFields) {
    if (f.field == field) return f.size;
  }
  return 0;
}

std::int64_t Wrap(std::uint64_t v) { return static_cast<std::int64_t>(v); }

std::int64_t Apply(Operator op, std::int64_t a, std::int64_t b) {
  const auto ua = static_cast<std::uint64_t>(a), ub = static_cast<std::uint64_t>(b);
  switch (op) {
    case Operator::Mul: return Wrap(ua * ub);
    case Operator::Div:
    case Operator::Mod:
      if (b == 0) throw EvalError("division by zero");
      if (a == std::numeric_limits<std::int64_t>::min() && b == -1)
        return op == Operator::Div ? a : 0;
      return op == Operator::Div ? a / b : a % b;
    case Operator::Add: return Wrap(ua + ub);
    case Operator::Sub: return Wrap(ua - ub);
    case Operator::Shl: return b < 0 || b > 63 ? 0 : Wrap(ua << b);
    case Operator::Shr: return b < 0 || b > 63 ? (a < 0 ? -1 : 0) : a >> b;
    case Operator::Lt: return a < b;
    case Operator::Le: return a <= b;
    case Operator::Gt: return a > b;
    case Operator::Ge: return a >= b;
    case Operator::Eq: return a == b;
    case Operator::Ne: return a != b;
    case Operator::BitAnd: return a & b;
    case Operator::BitXor: return a ^ b;
    case Operator::BitOr: return a | b;
    default: return 0;  // && and || are evaluated lazily by the caller
  }
}

std::int64_t FieldValue(const BoardState& m, Field f, std::size_t i) {
  switch (f) {
    case Field::TimerPrescaler: return m.timer.prescaler;
    case Field::TimerCount: return m.timer.count;
    case Field::ChannelPeriod: return m.channels.period[i];
    case Field::ChannelDivider: return m.channels.divider[i];
    case Field::ChannelMarkCount: return m.channels.markCount[i];
    case Field::JogDivider: return m.channels.jogDivider;
    case Field::JogSampleCount: return m.channels.jogSampleCount;
    case Field::SeqState: return static_cast<std::int64_t>(m.sequencer.state);
    case Field::SeqCode: return m.sequencer.code;
    case Field::SeqCountdown: return m.sequencer.countdown;
    case Field::Registers: return m.Word(static_cast<int>(i));
    case Field::DataMemory: return m.DataMemory[i];
  }
  return 0;
}

}  // namespace

// Recursive descent over the text, tokens read on demand.
class ExprParser {
 public:
  ExprParser(std::string_view text, std::size_t pos, const SymbolLookup& symbols)
      : text_(text), pos_(pos), symbols_(symbols) {}

  Expr Run(bool whole) {
    const std::size_t start = SkipSpace();
    expr_.root_ = Binary(1);
    const std::size_t end = SkipSpace();
    if (whole && end < text_.size()) Fail("unexpected '" + Shown(Rest(end)) + "'", end);
    std::size_t last = end;
    while (last > start && std::isspace(static_cast<unsigned char>(text_[last - 1]))) --last;
    expr_.text_ = std::string(text_.substr(start, last - start));
    return std::move(expr_);
  }
  std::size_t Pos() const { return pos_; }

 private:
  [[noreturn]] void Fail(const std::string& what, std::size_t at) { throw ParseError(what, at); }

  std::string_view Rest(std::size_t at) const {
    std::size_t e = at;
    while (e < text_.size() && !std::isspace(static_cast<unsigned char>(text_[e]))) ++e;
    return text_.substr(at, e - at);
  }

  std::size_t SkipSpace() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    return pos_;
  }

  bool Accept(std::string_view token) {
    SkipSpace();
    if (text_.substr(pos_, token.size()) != token) return false;
    pos_ += token.size();
    return true;
  }

  void Expect(std::string_view token, const char* what) {
    if (!Accept(token)) Fail(std::string("expected ") + what, SkipSpace());
  }

  int Add(Node n) {
    if (expr_.nodes_.size() >= kMaxNodes) Fail("expression too long", pos_);
    expr_.nodes_.push_back(n);
    return static_cast<int>(expr_.nodes_.size() - 1);
  }

  // The binary operator at the current position, not consumed; nullptr when there is none.
  const BinaryOp* PeekBinary() {
    SkipSpace();
    const std::string_view rest = text_.substr(pos_);
    if (rest.starts_with("..")) return nullptr;  // a range, not an operator
    for (const BinaryOp& b : kBinaryOps) {
      if (rest.starts_with(b.text)) return &b;
    }
    return nullptr;
  }

  int Binary(int minPrecedence) {
    int left = Unary();
    for (;;) {
      const BinaryOp* b = PeekBinary();
      if (!b || b->precedence < minPrecedence) return left;
      pos_ += b->text.size();
      const int right = Binary(b->precedence + 1);
      Node n{Node::Kind::Binary};
      n.op = b->op;
      n.a = left;
      n.b = right;
      left = Add(n);
    }
  }

  int Unary() {
    if (++depth_ > kMaxExprDepth) Fail("expression nested too deeply", pos_);
    int result;
    SkipSpace();
    Operator op = Operator::Neg;
    if (Accept("-")) {
      op = Operator::Neg;
    } else if (Accept("~")) {
      op = Operator::BitNot;
    } else if (pos_ < text_.size() && text_[pos_] == '!' && !text_.substr(pos_).starts_with("!=")) {
      ++pos_;
      op = Operator::Not;
    } else {
      result = Primary();
      --depth_;
      return result;
    }
    Node n{Node::Kind::Unary};
    n.op = op;
    n.a = Unary();
    result = Add(n);
    --depth_;
    return result;
  }

  int Primary() {
    const std::size_t at = SkipSpace();
    if (at >= text_.size()) Fail("expression expected", at);
    const char c = text_[at];
    if (Accept("(")) {
      const int inner = Binary(1);
      Expect(")", "')'");
      return inner;
    }
    if (Accept("[")) {
      Node n{Node::Kind::Word};
      n.a = Binary(1);
      Expect("]", "']'");
      if (Accept(":")) {
        SkipSpace();
        if (text_.substr(pos_).starts_with("32")) {
          n.kind = Node::Kind::Cell32;
        } else if (!text_.substr(pos_).starts_with("16")) {
          Fail("expected 16 or 32 after ':'", pos_);
        }
        pos_ += 2;
        if (pos_ < text_.size() && IsNameChar(text_[pos_]))
          Fail("expected 16 or 32 after ':'", pos_);
      }
      return Add(n);
    }
    if (std::isdigit(static_cast<unsigned char>(c))) return Number(at);
    if (IsNameStart(c)) return Name(at);
    Fail("unexpected '" + Shown(Rest(at)) + "'", at);
  }

  int Number(std::size_t at) {
    std::size_t end = at;
    while (end < text_.size() && IsNameChar(text_[end]) && !text_.substr(end).starts_with(".."))
      ++end;
    std::string_view digits = text_.substr(at, end - at);
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
      digits.remove_prefix(2);
      base = 16;
    }
    std::uint64_t v = 0;
    const char* last = digits.data() + digits.size();
    const auto [p, ec] = std::from_chars(digits.data(), last, v, base);
    if (ec == std::errc::result_out_of_range ||
        (ec == std::errc() && p == last &&
         v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())))
      Fail("number too large: " + std::string(text_.substr(at, end - at)), at);
    if (ec != std::errc() || p != last)
      Fail("bad number '" + Shown(text_.substr(at, end - at)) + "'", at);
    pos_ = end;
    Node n{Node::Kind::Number};
    n.value = static_cast<std::int64_t>(v);
    return Add(n);
  }

  int Name(std::size_t at) {
    std::size_t end = at;
    while (end < text_.size() && IsNameChar(text_[end]) && !text_.substr(end).starts_with(".."))
      ++end;
    const std::string_view name = text_.substr(at, end - at);
    pos_ = end;
    if (const int w = RegisterWord(name); w >= 0) {
      Node n{Node::Kind::Register};
      n.value = w;
      return Add(n);
    }
    if (EqualNoCase(name, "steps")) return Add(Node{Node::Kind::Steps});
    if (const FieldName* f = FindField(name)) {
      Node n{Node::Kind::Field};
      n.field = f->field;
      if (f->size > 0) {
        if (!Accept("["))
          Fail(std::string(name) + " needs an index: " + std::string(name) + "[I]", pos_);
        n.a = Binary(1);
        Expect("]", "']'");
      }
      return Add(n);
    }
    const auto value = symbols_ ? symbols_(name) : std::nullopt;
    if (!value) Fail("unknown name '" + Shown(name) + "'", at);
    Node n{Node::Kind::Number};
    n.value = *value;
    return Add(n);
  }

  std::string_view text_;
  std::size_t pos_;
  const SymbolLookup& symbols_;
  int depth_ = 0;
  Expr expr_;
};

Expr Expr::Parse(std::string_view text, const SymbolLookup& symbols) {
  return ExprParser(text, 0, symbols).Run(true);
}

Expr Expr::ParsePrefix(std::string_view text, std::size_t& pos, const SymbolLookup& symbols) {
  ExprParser parser(text, pos, symbols);
  Expr e = parser.Run(false);
  pos = parser.Pos();
  return e;
}

std::int64_t Expr::Eval(int index, const Machine* machine) const {
  const Node& n = nodes_[static_cast<std::size_t>(index)];
  auto need = [&]() -> const Machine& {
    if (!machine) throw EvalError("'" + Shown(text_) + "' is not a constant");
    return *machine;
  };
  switch (n.kind) {
    case Node::Kind::Number: return n.value;
    case Node::Kind::Register: return need().m.Word(static_cast<int>(n.value));
    case Node::Kind::Steps: return static_cast<std::int64_t>(need().steps);
    case Node::Kind::Field: {
      const Machine& mc = need();
      std::size_t i = 0;
      if (n.a >= 0) {
        const std::int64_t index = Eval(n.a, machine);
        if (index < 0 || static_cast<std::uint64_t>(index) >= FieldSize(n.field))
          throw EvalError("index " + std::to_string(index) + " out of range in '" + Shown(text_) +
                          "'");
        i = static_cast<std::size_t>(index);
      }
      return FieldValue(mc.m, n.field, i);
    }
    case Node::Kind::Word:
      return PeekWord(need().m, static_cast<std::uint16_t>(Eval(n.a, machine)));
    case Node::Kind::Cell32: {
      const auto a = static_cast<std::uint16_t>(Eval(n.a, machine));
      const std::uint32_t v = (static_cast<std::uint32_t>(PeekWord(need().m, a)) << 16) |
                              PeekWord(need().m, static_cast<std::uint16_t>(a + 1));
      return static_cast<std::int32_t>(v);
    }
    case Node::Kind::Unary: {
      const std::int64_t v = Eval(n.a, machine);
      if (n.op == Operator::Neg) return Wrap(0 - static_cast<std::uint64_t>(v));
      return n.op == Operator::BitNot ? ~v : !v;
    }
    case Node::Kind::Binary:
      if (n.op == Operator::And) return Eval(n.a, machine) && Eval(n.b, machine);
      if (n.op == Operator::Or) return Eval(n.a, machine) || Eval(n.b, machine);
      return Apply(n.op, Eval(n.a, machine), Eval(n.b, machine));
  }
  return 0;
}

std::int64_t Expr::Evaluate(const Machine& machine) const { return Eval(root_, &machine); }

bool Expr::IsConstant() const {
  for (const Node& n : nodes_) {
    if (n.kind != Node::Kind::Number && n.kind != Node::Kind::Unary && n.kind != Node::Kind::Binary)
      return false;
  }
  return true;
}

std::int64_t Expr::EvaluateConstant() const { return Eval(root_, nullptr); }

bool Expr::IsStorable() const {
  const Node::Kind k = Root().kind;
  return k == Node::Kind::Register || k == Node::Kind::Word || k == Node::Kind::Cell32;
}

std::int64_t Expr::EvaluateOperand(const Machine& machine) const {
  return Eval(Root().a, &machine);
}

int RegisterWord(std::string_view name) {
  if (name.size() >= 2 && (name[0] == 'R' || name[0] == 'r')) {
    const std::string_view n = name.substr(1);
    int v = -1;
    if (n.size() == 1 && std::isxdigit(static_cast<unsigned char>(n[0]))) {
      v = std::isdigit(static_cast<unsigned char>(n[0])) ? n[0] - '0'
                                                         : std::toupper(n[0]) - 'A' + 10;
    } else if (n.size() == 2 && n[0] == '1' && n[1] >= '0' && n[1] <= '5') {
      v = 10 + (n[1] - '0');
    }
    if (v >= 0) return v;
  }
  for (const NamedWord& r : kRegisterNames) {
    if (r.word >= 0 && EqualNoCase(r.name, name)) return r.word;
  }
  return -1;
}

std::string RegisterName(int w) {
  if (w >= 0 && w < 16) return std::string("R") + "0123456789ABCDEF"[w];
  for (const NamedWord& r : kRegisterNames) {
    if (r.word == w) return std::string(r.name);
  }
  for (std::size_t i = 0; i < IO_SIZE; ++i) {
    if (IoMap[i] == w + 1) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "[%04zX]", IO_BASE + i);
      return buf;
    }
  }
  return "w" + std::to_string(w);
}

std::uint16_t PeekWord(const BoardState& m, std::uint16_t a) {
  if (a < PROGRAM_BASE + PROGRAM_WORDS) return m.ProgramMemory[a - PROGRAM_BASE];
  if (a >= DATA_BASE && a < DATA_BASE + DATA_WORDS) return m.DataMemory[a - DATA_BASE];
  if (a >= TABLE_BASE && a < TABLE_BASE + TABLE_WORDS) return m.TableMemory[a - TABLE_BASE];
  if (a < IO_BASE || a >= IO_BASE + IO_SIZE || IoMap[a - IO_BASE] == 0) return 0;
  const int w = IoMap[a - IO_BASE] - 1;
  // As the bus reads them: the timer words give the count, a rate word hides bits 11..14.
  if (w >= reg::TIMER_RELOAD && w <= reg::TIMER_RUN) return m.timer.count;
  if (w >= reg::RATE0 && w < reg::RATE0 + 3) return m[w] & 0x87FF;
  return m.Word(w);
}

}  // namespace kv74::mon
