#include "tools/asm/assembler.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "board/read_file.hpp"
#include "tools/asm/block.hpp"
#include "tools/asm/debug_output.hpp"
#include "tools/asm/encode.hpp"
#include "tools/asm/expr.hpp"
#include "tools/asm/memory.hpp"
#include "tools/asm/operand.hpp"
#include "tools/asm/text.hpp"

namespace kv74::as {

std::optional<std::string> ReadFromDisk(const std::string& path, std::string& error) {
  FileBytes f = ReadRegularFile(path, kMaxSourceBytes);
  if (!f.ok()) {
    error = f.error;
    return std::nullopt;
  }
  return std::move(f.bytes);
}

namespace {

constexpr int kMaxIncludeDepth = 32;
constexpr std::int64_t kMaxFill = 65536;

bool IsReserved(const std::string& name) {
  const std::string l = Lower(name);
  return RegisterNumber(name).has_value() || l == "base0" || l == "base1" || l == "basex" ||
         l == "stack";
}

std::string Directory(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Cuts a comment (from ';' outside quotes) off a line.
std::string StripComment(const std::string& line) {
  char quote = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quote) {
      if (c == '\\')
        ++i;
      else if (c == quote)
        quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      return line.substr(0, i);
    }
  }
  return line;
}

struct Symbol {
  bool label = false;
  std::int64_t value = 0;
  Span expr;  // constants: the defining expression
  std::int64_t dollar = 0;
  Location where;
  int order = 0;  // definitions in source order
  bool evaluating = false;
  bool resolved = false;
};

struct Statement {
  enum class Kind { Instruction, Words, Fill, Block };
  Kind kind = Kind::Instruction;
  std::int64_t address = 0;
  Location where;
  Template form;
  std::vector<Span> exprs;
  std::int64_t count = 0;
  std::vector<BlockItem> items;
  std::vector<std::uint16_t> words;  // filled in pass 2
};

struct ListingLine {
  Location where;
  std::string text;
  int statement = -1;
  std::int64_t address = 0;
};

struct CondFrame {
  bool active;  // this branch is assembled
  bool parentActive;
  bool elseSeen = false;
  Location where;
};

class Assembler : public Scope {
 public:
  explicit Assembler(const Options& options) : options_(options), debug_(options.debugInfoBase) {}

  Result Run(const std::string& path) {
    DefineCommandLine();
    Location top{path, 1, 1};
    ProcessFile(path, top, 0);
    for (const CondFrame& c : conditionals_) Error(c.where, "this .if has no .endif");
    Pass2();
    ResolveAllConstants();
    memory_.CheckWindows(errors_);
    Result r;
    r.ok = errors_.empty();
    std::stable_sort(errors_.begin(), errors_.end(), [](const Diagnostic& a, const Diagnostic& b) {
      return std::tie(a.where.file, a.where.line, a.where.column) <
             std::tie(b.where.file, b.where.line, b.where.column);
    });
    if (errors_.size() > kMaxReportedErrors) {
      r.moreErrors = errors_.size() - kMaxReportedErrors;
      errors_.resize(kMaxReportedErrors);
    }
    r.errors = errors_;
    if (r.ok) {
      for (int a = 0; a < kAreaCount; ++a)
        if (memory_.Used(a)) r.images.push_back({a, memory_.Image(a)});
      r.listing = Listing();
      r.symbols = Symbols();
      r.debugInfo = DebugInformation();
    }
    return r;
  }

  // Scope
  Value Lookup(const std::string& name, const Location& where) override {
    if (IsReserved(name))
      return Failure(where, "'" + name + "' is a register or keyword, not a value");
    const auto it = symbols_.find(name);
    if (it == symbols_.end())
      return Value{Status::Undefined, 0, {where, "undefined symbol '" + name + "'"}};
    Symbol& s = it->second;
    if (s.label || s.resolved) return Known(s.value);
    if (s.evaluating) return Failure(s.expr.where, "'" + name + "' is defined in terms of itself");
    s.evaluating = true;
    const std::int64_t saved = dollar_;
    dollar_ = s.dollar;
    Value v = Evaluate(s.expr, *this);
    dollar_ = saved;
    s.evaluating = false;
    if (v.ok()) {
      s.value = v.value;
      s.resolved = true;
    }
    return v;
  }
  std::int64_t Dollar() const override { return dollar_; }

 private:
  void Error(const Location& where, const std::string& message) {
    if (!reported_.emplace(where.file, where.line, where.column, message).second) return;
    errors_.push_back({where, message});
  }
  void Error(const Diagnostic& d) { Error(d.where, d.message); }

  // A value needed while the layout is being decided.
  std::optional<std::int64_t> KnownNow(const Span& expr, const char* what) {
    dollar_ = pc_;
    const Value v = Evaluate(expr, *this);
    if (v.status == Status::Undefined) {
      Error(v.diag.where, v.diag.message + " (the value of " + std::string(what) +
                              " must be known at this line)");
      return std::nullopt;
    }
    if (!v.ok()) {
      Error(v.diag);
      return std::nullopt;
    }
    return v.value;
  }

  void Define(const std::string& name, Symbol symbol) {
    if (!IsName(name)) {
      Error(symbol.where, "'" + name + "' is not a valid name");
      return;
    }
    if (IsReserved(name)) {
      Error(symbol.where, "'" + name + "' is a register or keyword and cannot be defined");
      return;
    }
    symbol.order = static_cast<int>(symbols_.size());
    const auto [it, fresh] = symbols_.emplace(name, symbol);
    if (!fresh) {
      Error(symbol.where, "duplicate definition of '" + name + "' (first defined at " +
                              Where(it->second.where) + ")");
    }
  }

  void DefineCommandLine() {
    int column = 1;
    for (const auto& [name, value] : options_.defines) {
      Symbol s;
      s.where = {"<command line>", 1, column};
      s.expr = {value.empty() ? "1" : value, s.where};
      Define(name, s);
      column += static_cast<int>(name.size() + value.size() + 4);
    }
  }

  void ProcessFile(const std::string& path, const Location& from, int depth) {
    if (depth > kMaxIncludeDepth) {
      Error(from, "includes nested more than " + std::to_string(kMaxIncludeDepth) +
                      " deep (does a file include itself?)");
      return;
    }
    if (depth > 0 && ++includes_ > kMaxIncludes) {
      if (includes_ == kMaxIncludes + 1)
        Error(from, "more than " + std::to_string(kMaxIncludes) + " .include lines followed");
      return;
    }
    std::string why;
    const auto text = options_.read(path, why);
    if (!text) {
      Error(from, "cannot read '" + path + "'" + (why.empty() ? "" : ": " + why));
      return;
    }
    totalBytes_ += text->size();
    if (totalBytes_ > kMaxTotalBytes) {
      Error(from, "sources exceed " + std::to_string(kMaxTotalBytes) + " bytes in all");
      return;
    }
    debug_.AddSource(path);
    std::istringstream in(*text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      ProcessLine(Span{line, {path, number, 1}}, depth);
    }
  }

  bool Active() const { return conditionals_.empty() || conditionals_.back().active; }

  // .if/.ifdef/.ifndef/.else/.endif; true if `directive` is one of them.
  bool Conditional(const std::string& directive, const Span& args, const Location& where) {
    if (directive == ".if" || directive == ".ifdef" || directive == ".ifndef") {
      const bool parent = Active();
      bool condition = false;
      if (parent) {
        if (directive == ".if") {
          const auto v = KnownNow(args, ".if");
          condition = v && *v != 0;
        } else {
          const std::string name = Trim(args).text;
          if (!IsName(name)) Error(Trim(args).where, directive + " takes a name");
          condition = symbols_.count(name) != 0;
          if (directive == ".ifndef") condition = !condition;
        }
      }
      conditionals_.push_back({parent && condition, parent, false, where});
      return true;
    }
    if (directive == ".else" || directive == ".endif") {
      if (conditionals_.empty()) {
        Error(where, directive + " without .if");
        return true;
      }
      if (!Trim(args).text.empty()) Error(Trim(args).where, directive + " takes no argument");
      auto& c = conditionals_.back();
      if (directive == ".endif") {
        conditionals_.pop_back();
      } else if (c.elseSeen) {
        Error(where, "second .else for the .if at line " + std::to_string(c.where.line));
      } else {
        c.elseSeen = true;
        c.active = c.parentActive && !c.active;
      }
      return true;
    }
    return false;
  }

  void ProcessLine(const Span& raw, int depth) {
    const Span line = SubSpan(raw, 0, StripComment(raw.text).size());
    Span rest = Trim(line);
    // Conditionals are followed even in skipped text.
    {
      std::size_t n = 0;
      while (n < rest.text.size() && IsNameChar(rest.text[n])) ++n;
      const std::string word = Lower(rest.text.substr(0, n));
      if (!word.empty() && word[0] == '.' && Conditional(word, SubSpan(rest, n), rest.where)) {
        listing_.push_back({raw.where, raw.text, -1, pc_});
        return;
      }
    }
    if (!Active()) return;
    listing_.push_back({raw.where, raw.text, -1, pc_});
    if (rest.text.empty()) return;

    // label:
    std::size_t n = NameLength(rest.text);
    std::size_t after = SkipBlanks(rest.text, n);
    if (n > 0 && after < rest.text.size() && rest.text[after] == ':') {
      Symbol s;
      s.label = true;
      s.value = pc_;
      s.where = rest.where;
      Define(rest.text.substr(0, n), s);
      rest = Trim(SubSpan(rest, after + 1));
      if (rest.text.empty()) return;
      n = NameLength(rest.text);
      after = SkipBlanks(rest.text, n);
    }
    // NAME = expr
    if (n > 0 && after < rest.text.size() && rest.text[after] == '=' &&
        (after + 1 >= rest.text.size() || rest.text[after + 1] != '=')) {
      Symbol s;
      s.expr = Trim(SubSpan(rest, after + 1));
      s.dollar = pc_;
      s.where = rest.where;
      if (s.expr.text.empty())
        Error(s.expr.where, "expected a value after '='");
      else
        Define(rest.text.substr(0, n), s);
      return;
    }
    if (n == 0) {
      Error(rest.where, "expected a mnemonic, a directive or a label");
      return;
    }
    const Span word = SubSpan(rest, 0, n);
    const Span args = Trim(SubSpan(rest, n));
    if (word.text[0] == '.')
      Directive(Lower(word.text), word.where, args, depth);
    else
      Instruction(word, args);
  }

  void Instruction(const Span& mnemonic, const Span& operands) {
    Diagnostic error;
    const auto form = Select(mnemonic, operands, error);
    if (!form) {
      Error(error);
      return;
    }
    Statement s;
    s.kind = Statement::Kind::Instruction;
    s.form = *form;
    Add(std::move(s), mnemonic.where, form->length);
  }

  void Add(Statement s, const Location& where, std::int64_t size) {
    s.address = pc_;
    s.where = where;
    listing_.back().statement = static_cast<int>(statements_.size());
    statements_.push_back(std::move(s));
    pc_ += size;
  }

  std::vector<Span> Arguments(const Span& args) {
    if (Trim(args).text.empty()) return {};
    std::vector<Span> parts = SplitTopLevel(args);
    for (Span& p : parts) p = Trim(p);
    return parts;
  }

  bool ArgumentCount(const std::string& directive, const std::vector<Span>& args, std::size_t min,
                     std::size_t max, const Location& where) {
    if (args.size() >= min && args.size() <= max) {
      for (const Span& a : args)
        if (a.text.empty()) {
          Error(a.where, "empty argument of " + directive);
          return false;
        }
      return true;
    }
    Error(where, directive + " takes " +
                     (min == max ? std::to_string(min)
                                 : std::to_string(min) + " to " + std::to_string(max)) +
                     " argument" + (max == 1 ? "" : "s"));
    return false;
  }

  void Directive(const std::string& name, const Location& where, const Span& args, int depth) {
    if (name == ".org") {
      const auto a = Arguments(args);
      if (!ArgumentCount(name, a, 1, 1, where)) return;
      if (const auto v = KnownNow(a[0], ".org")) {
        if (*v < 0 || *v > 0xFFFF)
          Error(a[0].where, ".org address out of range 0..0xFFFF");
        else
          pc_ = *v;
      }
    } else if (name == ".word") {
      const auto a = Arguments(args);
      if (a.empty()) {
        Error(where, ".word takes at least one value");
        return;
      }
      if (!ArgumentCount(name, a, 1, a.size(), where)) return;
      Statement s;
      s.kind = Statement::Kind::Words;
      s.exprs = a;
      Add(std::move(s), where, static_cast<std::int64_t>(a.size()));
    } else if (name == ".fill") {
      const auto a = Arguments(args);
      if (!ArgumentCount(name, a, 1, 2, where)) return;
      const auto count = KnownNow(a[0], "a .fill count");
      if (!count) return;
      if (*count < 0 || *count > kMaxFill) {
        Error(a[0].where, ".fill count out of range 0.." + std::to_string(kMaxFill));
        return;
      }
      Statement s;
      s.kind = Statement::Kind::Fill;
      s.count = *count;
      if (a.size() == 2) s.exprs.push_back(a[1]);
      Add(std::move(s), where, *count);
    } else if (name == ".equ") {
      const auto a = Arguments(args);
      if (!ArgumentCount(name, a, 2, 2, where)) return;
      Symbol s;
      s.expr = a[1];
      s.dollar = pc_;
      s.where = a[0].where;
      Define(a[0].text, s);
    } else if (name == ".include") {
      const Span a = Trim(args);
      if (a.text.size() < 2 || a.text.front() != '"' || a.text.back() != '"') {
        Error(a.where, ".include takes a file name in double quotes");
        return;
      }
      std::string file = a.text.substr(1, a.text.size() - 2);
      if (!file.empty() && file[0] != '/') file = Directory(where.file) + file;
      ProcessFile(file, a.where, depth + 1);
    } else if (name == ".block") {
      Diagnostic error;
      auto items = ParseBlock(args, error);
      if (!items) {
        Error(error.where.line ? error : Diagnostic{where, error.message});
        return;
      }
      Statement s;
      s.kind = Statement::Kind::Block;
      const auto size = static_cast<std::int64_t>(2 * items->size());
      s.items = std::move(*items);
      Add(std::move(s), where, size);
    } else if (name == ".image") {
      const auto a = Arguments(args);
      if (!ArgumentCount(name, a, 2, 2, where)) return;
      const auto start = KnownNow(a[0], ".image");
      const auto bytes = KnownNow(a[1], ".image");
      Diagnostic error;
      if (start && bytes && !memory_.SetWindow(*start, *bytes, where, error)) Error(error);
    } else {
      Error(where, "unknown directive '" + name + "'");
    }
  }

  // Fills in every statement's words and places them.
  void Pass2() {
    for (Statement& s : statements_) {
      dollar_ = s.address;
      Value v = Known(0);
      switch (s.kind) {
        case Statement::Kind::Instruction:
          v = Emit(s.form, static_cast<std::uint16_t>(s.address), *this, s.words);
          break;
        case Statement::Kind::Words:
          for (const Span& e : s.exprs) {
            v = Evaluate(e, *this);
            if (!v.ok()) break;
            if (v.value < -32768 || v.value > 65535) {
              v = Failure(e.where, "value " + std::to_string(v.value) +
                                       " is out of range for a 16-bit word");
              break;
            }
            s.words.push_back(static_cast<std::uint16_t>(v.value));
          }
          break;
        case Statement::Kind::Fill: {
          std::int64_t fill = 0;
          if (!s.exprs.empty()) {
            v = Evaluate(s.exprs[0], *this);
            if (v.ok() && (v.value < -32768 || v.value > 65535))
              v = Failure(s.exprs[0].where, "value " + std::to_string(v.value) +
                                                " is out of range for a 16-bit word");
            fill = v.value;
          }
          if (v.ok())
            s.words.assign(static_cast<std::size_t>(s.count), static_cast<std::uint16_t>(fill));
          break;
        }
        case Statement::Kind::Block: v = EmitBlock(s.items, *this, s.words); break;
      }
      if (!v.ok()) {
        Error(v.diag);
        s.words.clear();
        continue;
      }
      for (std::size_t i = 0; i < s.words.size(); ++i) {
        Diagnostic error;
        if (!memory_.Place(s.address + static_cast<std::int64_t>(i), s.words[i], s.where, error)) {
          Error(error);
          break;
        }
      }
    }
  }

  // Every constant once, so that an unused one with a bad definition is reported too.
  void ResolveAllConstants() {
    for (auto& [name, s] : symbols_) {
      if (s.label || s.resolved) continue;
      const Value v = Lookup(name, s.where);
      if (!v.ok()) Error(v.diag);
    }
  }

  std::string Listing() const {
    std::string out;
    std::string file;
    for (const ListingLine& l : listing_) {
      if (l.where.file != file) {
        file = l.where.file;
        out += "; " + file + "\n";
      }
      char number[16];
      std::snprintf(number, sizeof number, "%5d  ", l.where.line);
      std::string head = number;
      const Statement* s =
          l.statement >= 0 ? &statements_[static_cast<std::size_t>(l.statement)] : nullptr;
      if (!s || s->words.empty()) {
        std::string row = head + std::string(22, ' ') + l.text;
        row.erase(row.find_last_not_of(' ') + 1);
        out += row + "\n";
        continue;
      }
      constexpr std::size_t kPerRow = 3;
      for (std::size_t i = 0; i < s->words.size(); i += kPerRow) {
        std::string row = head + Hex((s->address + static_cast<std::int64_t>(i)) & 0xFFFF, 4) + " ";
        for (std::size_t k = i; k < i + kPerRow; ++k)
          row += k < s->words.size() ? " " + Hex(s->words[k], 4) : std::string(5, ' ');
        row += i == 0 ? "  " + l.text : std::string();
        row.erase(row.find_last_not_of(' ') + 1);
        out += row + "\n";
        head = std::string(7, ' ');
      }
    }
    return out;
  }

  std::string Symbols() const {
    std::string out;
    for (const auto& [name, s] : symbols_) {
      if (!s.label && !s.resolved) continue;
      out +=
          name + " = " +
          (s.value >= 0 && s.value <= 0xFFFF ? "0x" + Hex(s.value, 4) : std::to_string(s.value)) +
          "\n";
    }
    return out;
  }

  // Every symbol in the order of definition, each statement's source line, and the data.
  dbg::DebugInfo DebugInformation() {
    static constexpr const char* kDataKinds[] = {nullptr, "word", "fill", "block"};
    std::vector<const std::pair<const std::string, Symbol>*> defined;
    for (const auto& entry : symbols_) defined.push_back(&entry);
    std::sort(defined.begin(), defined.end(),
              [](const auto* a, const auto* b) { return a->second.order < b->second.order; });
    for (const auto* entry : defined)
      debug_.AddSymbol(entry->first, entry->second.value, entry->second.label, entry->second.where);
    for (const Statement& s : statements_)
      debug_.AddStatement(s.address, s.words.size(), s.where, kDataKinds[static_cast<int>(s.kind)]);
    bool used[kAreaCount];
    for (int a = 0; a < kAreaCount; ++a) used[a] = memory_.Used(a);
    return debug_.Finish(used);
  }

  const Options& options_;
  std::map<std::string, Symbol> symbols_;
  DebugOutput debug_;
  std::vector<Statement> statements_;
  std::vector<ListingLine> listing_;
  std::vector<CondFrame> conditionals_;
  Memory memory_;
  Diagnostics errors_;
  std::set<std::tuple<std::string, int, int, std::string>> reported_;
  int includes_ = 0;
  std::size_t totalBytes_ = 0;
  std::int64_t pc_ = 0;
  std::int64_t dollar_ = 0;
};

}  // namespace

Result Assemble(const std::string& path, const Options& options) {
  return Assembler(options).Run(path);
}

}  // namespace kv74::as
