#include "tools/asm/encode.hpp"

#include <cctype>
#include <cstdio>

#include "cpu/decode.hpp"
#include "cpu/disasm.hpp"
#include "tools/asm/operand.hpp"

#include "tools/asm/text.hpp"

namespace kv74::as {
namespace {

using K = OperandKind;

template <typename Table>
int IndexOf(const Table& table, const std::string& mnemonic) {
  for (std::size_t i = 0; i < table.size(); ++i)
    if (!table[i].empty() && table[i] == mnemonic) return static_cast<int>(i);
  return -1;
}

Template Form(unsigned word, int length = 1) {
  Template t;
  t.word = static_cast<std::uint16_t>(word);
  t.length = length;
  return t;
}

Template Form(unsigned word, int length, SlotKind kind, const Span& field) {
  Template t = Form(word, length);
  t.slots.push_back({kind, field});
  return t;
}

// Chooses among the forms of one mnemonic.
class Chooser {
 public:
  Chooser(std::string mnemonic, std::vector<Operand> ops, Location where, Diagnostic& error)
      : mn_(std::move(mnemonic)), ops_(std::move(ops)), where_(std::move(where)), error_(error) {}

  std::optional<Template> Choose(char sourceByte) {
    if (int t = IndexOf(kBinaryMnemonics, mn_); t >= 0 && mn_ != "MOV") return Binary(t);
    if (mn_ == "MOV") return Mov();
    if (mn_ == "MOVB") return Byte(0x0000, sourceByte);
    if (mn_ == "CMPB") return Byte(0x0800, sourceByte);
    if (int t = IndexOf(kUnaryMnemonics, mn_); t >= 0) return Unary(t);
    if (int t = IndexOf(kShiftMnemonics, mn_); t >= 0) return Shift(t);
    if (int d = IndexOf(kConditionMnemonics, mn_); d >= 0) return Jump(d);
    if (mn_ == "MUL") return Mul();
    if (mn_ == "SIGN") return Sign();
    if (mn_ == "STOP" && ops_.empty()) return Form(0xF9F4);
    if (mn_ == "WAIT" && ops_.empty()) return Form(0xFBF4);
    if (mn_ == "STOP" || mn_ == "WAIT") return Fail(where_, mn_ + " takes no operands");
    return Fail(where_, "unknown mnemonic '" + mn_ + "'");
  }

 private:
  std::optional<Template> Fail(const Location& at, std::string message) {
    error_ = {at, std::move(message)};
    return std::nullopt;
  }
  std::optional<Template> NoForm() {
    return Fail(where_, "no form of " + mn_ + " takes these operands");
  }
  bool Shape(std::initializer_list<K> kinds) const {
    if (ops_.size() != kinds.size()) return false;
    std::size_t i = 0;
    for (K k : kinds)
      if (ops_[i++].kind != k) return false;
    return true;
  }
  const Operand& A() const { return ops_[0]; }
  const Operand& B() const { return ops_[1]; }
  std::optional<Template> NeedR0(const Operand& reg, const char* what) {
    return Fail(reg.where, std::string(what) + " work on R0, not R" + std::to_string(reg.reg));
  }

  // A BASEX operand of a form whose register operand x sits in the n field when the mode
  // takes its offset from the second word, and is R0 otherwise.
  std::optional<Template> BasexWithRegister(unsigned base, const Operand& mem, const Operand& x) {
    if (mem.mode == 2) return Form(base | 0x20 | x.reg, 2, SlotKind::Ext16, mem.field);
    if (x.reg != 0)
      return Fail(x.where, "with this addressing mode the register operand is R0 (only " +
                               std::string("M[BASEX+xxxx] takes another register)"));
    return BasexOnly(base, mem);
  }
  // A BASEX operand alone in the n field (unused, left 0, in the M[BASEX+xxxx] mode).
  std::optional<Template> BasexOnly(unsigned base, const Operand& mem) {
    const unsigned word = base | (mem.mode << 4) | (mem.mode == 2 ? 0 : mem.reg);
    if (mem.mode == 2 || mem.mode == 3) return Form(word, 2, SlotKind::Ext16, mem.field);
    return Form(word);
  }

  std::optional<Template> Pairs(unsigned t) {
    if (kPairMnemonics[t].empty()) return NoForm();
    if (A().reg == 0) return Form(0xE0C0 | t << 9 | B().reg);
    if (B().reg == 0) return Form(0xF0C0 | t << 9 | A().reg);
    return Fail(where_, "one operand of a pair operation is R0/1");
  }

  std::optional<Template> Binary(unsigned t) {
    const unsigned tt = t << 9;
    if (Shape({K::Register, K::Short})) {
      if (A().reg != 0) return NeedR0(A(), "the short base-relative forms");
      return Form(0x4000 | tt | B().mode << 8, 1, SlotKind::Offset8, B().field);
    }
    if (Shape({K::Short, K::Register})) {
      if (B().reg != 0) return NeedR0(B(), "the short base-relative forms");
      return Form(0x5000 | tt | A().mode << 8, 1, SlotKind::Offset8, A().field);
    }
    if (Shape({K::Register, K::Register})) return Form(0x9000 | tt | A().reg << 4 | B().reg);
    if (Shape({K::Register, K::Basex})) return BasexWithRegister(0xC100 | tt, B(), A());
    if (Shape({K::Basex, K::Register})) return BasexWithRegister(0xD100 | tt, A(), B());
    if (Shape({K::Register, K::Indirect})) {
      if (A().reg != 0) return NeedR0(A(), "the register-indirect forms");
      return Form(0xE100 | tt | B().mode << 4 | B().reg);
    }
    if (Shape({K::Register, K::Immediate}))
      return Form(0xE100 | tt | A().reg, 2, SlotKind::Ext16, B().field);
    if (Shape({K::Pair, K::Pair})) return Pairs(t);
    return NoForm();
  }

  std::optional<Template> Mov() {
    if (Shape({K::Register, K::Short}))
      return Form((B().mode ? 0x2000 : 0x0000) | A().reg << 8, 1, SlotKind::Offset8, B().field);
    if (Shape({K::Short, K::Register}))
      return Form((A().mode ? 0x3000 : 0x1000) | B().reg << 8, 1, SlotKind::Offset8, A().field);
    if (Shape({K::Register, K::Register})) return Form(0x7000 | A().reg << 4 | B().reg);
    if (Shape({K::Register, K::Basex})) return BasexOnly(0xC080 | A().reg << 8, B());
    if (Shape({K::Basex, K::Register})) return BasexOnly(0xD080 | B().reg << 8, A());
    if (Shape({K::Register, K::Indirect}))
      return Form(0xE080 | A().reg << 8 | B().mode << 4 | B().reg);
    if (Shape({K::Register, K::Immediate}))
      return Form(0xE080 | A().reg << 8, 2, SlotKind::Ext16, B().field);
    if (Shape({K::Register, K::Bracket})) {
      if (A().reg != 0) return NeedR0(A(), "direct register reads");
      return Form(0xE1C0, 1, SlotKind::Direct, B().field);
    }
    if (Shape({K::Bracket, K::Register})) {
      if (B().reg != 0) return NeedR0(B(), "direct register writes");
      return Form(0xF1C0, 1, SlotKind::Direct, A().field);
    }
    if (Shape({K::Stack, K::Bracket})) return Form(0xF3C0, 1, SlotKind::Direct, B().field);
    if (Shape({K::Bracket, K::Stack})) return Form(0xE3C0, 1, SlotKind::Direct, A().field);
    if (Shape({K::Pair, K::Pair})) return Pairs(0);
    return NoForm();
  }

  std::optional<Template> Byte(unsigned cmp, char sourceByte) {
    if (ops_.size() != 2 || A().kind != K::ByteRegister)
      return Fail(where_, mn_ + " takes a register byte (RnH or RnL) and a source byte");
    const bool high = A().byte == 'H';
    const unsigned s = high ? (sourceByte == 'H' ? 0 : 1) : (sourceByte == 'L' ? 2 : 3);
    const unsigned base = (cmp | s << 9);
    if (B().kind == K::Basex) return BasexWithRegister(0xC000 | base, B(), A());
    if (B().kind == K::Indirect) {
      if (A().reg != 0) return NeedR0(A(), "the register-indirect byte forms");
      return Form(0xE000 | base | B().mode << 4 | B().reg);
    }
    if (B().kind == K::Immediate)
      return Form(0xE000 | base | A().reg, 2, SlotKind::Ext16, B().field);
    return NoForm();
  }

  std::optional<Template> Unary(unsigned t) {
    if (Shape({K::Register})) return Form(0xF080 | t << 9 | A().reg);
    if (Shape({K::Basex})) return BasexOnly(0xF000 | t << 9, A());
    return NoForm();
  }

  std::optional<Template> Shift(unsigned t) {
    if (Shape({K::Register})) return Form(0xF090 | t << 9 | A().reg);
    return NoForm();
  }

  std::optional<Template> Mul() {
    if (Shape({K::Register, K::Register})) return Form(0x7100 | A().reg << 4 | B().reg);
    return NoForm();
  }

  std::optional<Template> Sign() {
    if (!Shape({K::Register, K::Register})) return NoForm();
    if (A().reg != (B().reg & 14u))
      return Fail(A().where, "SIGN fills the even register of the pair of R" +
                                 std::to_string(B().reg) + ", which is R" +
                                 std::to_string(B().reg & 14u));
    return Form(0xF6B0 | B().reg);
  }

  std::optional<Template> Jump(unsigned d) {
    const unsigned dd = d << 8;
    if (Shape({K::Bare})) {
      if (d == 2)
        return Fail(A().where,
                    "CALL has no relative form: CALL [target] calls an address, "
                    "CALL M[dd] calls through call table entry dd");
      return Form(0x6000 | dd, 1, SlotKind::RelTarget, A().field);
    }
    if (Shape({K::Bracket})) return Form(0xE050 | dd, 2, SlotKind::Ext16, A().field);
    if (Shape({K::RegisterTarget})) return Form(0xE040 | dd | A().reg);
    if (Shape({K::Stack}) && d == 3) return Form(0xE370);
    if (Shape({K::TableEntry}) && d == 2) return Form(0x6200, 1, SlotKind::TableIndex, A().field);
    return NoForm();
  }

  std::string mn_;
  std::vector<Operand> ops_;
  Location where_;
  Diagnostic& error_;
};

// "Ra,Rb" after MUL's "->": the pair that receives the product, as the disassembler shows it.
bool CheckMulResult(const Span& text, unsigned j, Diagnostic& error) {
  const auto parts = SplitTopLevel(text);
  if (parts.size() == 2) {
    const auto hi = RegisterNumber(Trim(parts[0]).text);
    const auto lo = RegisterNumber(Trim(parts[1]).text);
    if (hi && lo && *hi == (j & 14u) && *lo == (j | 1u)) return true;
  }
  error = {Trim(text).where, "the product of MUL R" + std::to_string(j) + " goes to R" +
                                 std::to_string(j & 14u) + ",R" + std::to_string(j | 1u)};
  return false;
}

Value OutOfRange(const Span& field, std::int64_t v, const char* what) {
  return Failure(Trim(field).where,
                 "value " + std::to_string(v) + " is out of range for " + std::string(what));
}

}  // namespace

std::vector<Span> SplitTopLevel(const Span& text, char separator) {
  std::vector<Span> parts;
  int depth = 0;
  char quote = 0;
  std::size_t start = 0;
  const std::string& s = text.text;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (quote) {
      if (c == '\\')
        ++i;
      else if (c == quote)
        quote = 0;
      continue;
    }
    if (c == '\'' || c == '"')
      quote = c;
    else if (c == '(' || c == '[' || c == '{')
      ++depth;
    else if (c == ')' || c == ']' || c == '}')
      --depth;
    else if (c == separator && depth <= 0) {
      parts.push_back(SubSpan(text, start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(SubSpan(text, start));
  return parts;
}

std::optional<Template> Select(const Span& mnemonic, const Span& operandText, Diagnostic& error) {
  const std::string mn = Upper(mnemonic.text);
  Span rest = Trim(operandText);
  std::optional<Span> variant;
  if (!rest.text.empty() && rest.text.back() == '}') {
    const auto open = rest.text.rfind('{');
    if (open == std::string::npos) {
      error = {rest.where, "'}' without '{'"};
      return std::nullopt;
    }
    variant = SubSpan(rest, open + 1, rest.text.size() - open - 2);
    rest = Trim(SubSpan(rest, 0, open));
  }
  std::optional<Span> product;
  if (mn == "MUL") {
    if (const auto arrow = rest.text.find("->"); arrow != std::string::npos) {
      product = SubSpan(rest, arrow + 2);
      rest = Trim(SubSpan(rest, 0, arrow));
    }
  }
  std::vector<Span> parts;
  if (!rest.text.empty()) parts = SplitTopLevel(rest);
  char sourceByte = 0;
  if ((mn == "MOVB" || mn == "CMPB") && parts.size() == 2) {
    parts[1] = Trim(parts[1]);
    const char last =
        parts[1].text.empty()
            ? 0
            : static_cast<char>(std::toupper(static_cast<unsigned char>(parts[1].text.back())));
    if (last != 'H' && last != 'L') {
      error = {parts[1].where, "the source of " + mn + " ends in H or L (which byte to take)"};
      return std::nullopt;
    }
    sourceByte = last;
    parts[1] = SubSpan(parts[1], 0, parts[1].text.size() - 1);
  }
  std::vector<Operand> ops;
  for (const Span& part : parts) {
    auto op = ParseOperand(part, error);
    if (!op) return std::nullopt;
    ops.push_back(*op);
  }
  const unsigned j = ops.empty() ? 0 : ops[0].reg;
  auto form = Chooser(mn, std::move(ops), mnemonic.where, error).Choose(sourceByte);
  if (!form) return std::nullopt;
  if (product && !CheckMulResult(*product, j, error)) return std::nullopt;
  if (variant) form->slots.push_back({SlotKind::Variant, *variant});
  return form;
}

Value Emit(const Template& form, std::uint16_t address, Scope& scope,
           std::vector<std::uint16_t>& words) {
  words.assign(static_cast<std::size_t>(form.length), 0);
  words[0] = form.word;
  for (const Slot& slot : form.slots) {
    const Value v = EvaluateField(slot.field, scope);
    if (!v.ok()) return v;
    const std::int64_t x = v.value;
    switch (slot.kind) {
      case SlotKind::Offset8:
        if (x < 0 || x > 255) return OutOfRange(slot.field, x, "an 8-bit offset (00..FF)");
        words[0] |= static_cast<std::uint16_t>(x);
        break;
      case SlotKind::TableIndex:
        if (x < 0 || x > 255) return OutOfRange(slot.field, x, "a call table entry (0000..00FF)");
        words[0] |= static_cast<std::uint16_t>(x);
        break;
      case SlotKind::Ext16:
        if (x < -32768 || x > 65535) return OutOfRange(slot.field, x, "a 16-bit word");
        words[1] = static_cast<std::uint16_t>(x);
        break;
      case SlotKind::RelTarget: {
        if (x < -32768 || x > 65535) return OutOfRange(slot.field, x, "a jump target");
        const auto distance = static_cast<std::int16_t>(static_cast<std::uint16_t>(x - address));
        if (distance < -128 || distance > 127)
          return Failure(Trim(slot.field).where,
                         "jump target " + Hex4(x) +
                             " is out of reach: " + std::to_string(distance) +
                             " words from the jump, a relative jump reaches -128..+127 (write "
                             "[target] for the two-word jump)");
        words[0] |= static_cast<std::uint8_t>(distance);
        break;
      }
      case SlotKind::Direct:
        if (x < 0xF000 || x > 0xF03F)
          return OutOfRange(slot.field, x, "a direct register address (F000..F03F)");
        words[0] |= static_cast<std::uint16_t>(x - 0xF000);
        break;
      case SlotKind::Variant: {
        if (x < 0 || x > 0xFFFF) return OutOfRange(slot.field, x, "an encoding variant");
        const auto varied = static_cast<std::uint16_t>(words[0] ^ x);
        if (!IsDefinedInstruction(varied) || StandardEncoding(varied) != words[0] ||
            InstructionLength(varied) != form.length)
          return Failure(Trim(slot.field).where,
                         "{" + Trim(slot.field).text + "} would change the instruction");
        words[0] = varied;
        break;
      }
    }
  }
  return Known(0);
}

}  // namespace kv74::as
