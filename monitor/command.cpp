#include "command.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace kv74::mon {
namespace {

constexpr std::array<CommandInfo, 29> kCommandTable = {{
    {Verb::Break, "break", "b", "break LOCATION [if EXPR]", "stop before the instruction there"},
    {Verb::TBreak, "tbreak", "tb", "tbreak LOCATION [if EXPR]", "a breakpoint for one stop"},
    {Verb::Watch, "watch", "w", "watch [read|write|access] ADDR[..ADDR] [if EXPR]",
     "stop after a step that accesses the range"},
    {Verb::Catch, "catch", "", "catch request|fault|handover [WHICH]",
     "stop at a request entry, fault or hand-over"},
    {Verb::Delete, "delete", "d", "delete [N]", "delete stop point N, or all"},
    {Verb::InfoBreakpoints, "info breakpoints", "i b", "info breakpoints",
     "the stop points and their hits"},
    {Verb::Continue, "continue", "c", "continue [N]", "run until a stop, or at most N steps"},
    {Verb::Step, "step", "s si stepi", "step [N]", "run one step, or N"},
    {Verb::Next, "next", "n ni nexti", "next", "one step, a call as a whole"},
    {Verb::Finish, "finish", "fin", "finish", "run until this routine returns"},
    {Verb::Until, "until", "u advance", "until LOCATION", "run until LOCATION is reached"},
    {Verb::Back, "back", "bs reverse-step", "back [N]", "go back one step, or N"},
    {Verb::ReverseContinue, "reverse-continue", "rc", "reverse-continue",
     "back to the previous stop point hit"},
    {Verb::Print, "print", "p", "print EXPR", "the value in decimal and hex"},
    {Verb::Examine, "x", "", "x ADDR [COUNT]", "COUNT words (8) from ADDR"},
    {Verb::Set, "set", "", "set TARGET = EXPR", "store into a register or memory"},
    {Verb::Regs, "regs", "r", "regs", "the registers and flags (also info registers)"},
    {Verb::Disasm, "disasm", "dis", "disasm [ADDR] [COUNT]",
     "COUNT instructions (10) from ADDR (PC)"},
    {Verb::History, "history", "hist", "history [N]", "the last N steps (20)"},
    {Verb::Trace, "trace", "", "trace FILE [only calls|io|FIRST..LAST]",
     "write the steps run from now on"},
    {Verb::TraceOff, "trace off", "", "trace off", "stop tracing and close the file"},
    {Verb::Coverage, "coverage", "", "coverage on|profile|off|lcov|callgrind|folded",
     "count the steps from now on (profile: and calls); lcov etc. FILE write the counts"},
    {Verb::Click, "click", "", "click NAME", "click a panel control"},
    {Verb::Panel, "panel", "", "panel", "captions and lamps as the window shows them"},
    {Verb::SaveState, "save-state", "", "save-state FILE", "save a snapshot"},
    {Verb::LoadState, "load-state", "", "load-state FILE", "restore a snapshot"},
    {Verb::Expect, "expect", "", "expect EXPR", "fail the script (exit 1) when 0"},
    {Verb::Help, "help", "h ?", "help", "this list"},
    {Verb::Quit, "quit", "q exit", "quit", "end the session"},
}};

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// A cursor over one line.
class Cursor {
 public:
  Cursor(std::string_view text, const ParseContext& context) : text_(text), ctx_(context) {}

  [[noreturn]] void Fail(const std::string& what) { throw ParseError(what, pos_); }

  void Skip() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
  }
  bool AtEnd() {
    Skip();
    return pos_ >= text_.size();
  }
  std::string_view PeekWord() {
    Skip();
    std::size_t e = pos_;
    while (e < text_.size() && !IsSpace(text_[e])) ++e;
    return text_.substr(pos_, e - pos_);
  }
  std::string_view Word() {
    const std::string_view w = PeekWord();
    pos_ += w.size();
    return w;
  }
  bool AcceptWord(std::string_view word) {
    if (PeekWord() != word) return false;
    pos_ += word.size();
    return true;
  }
  bool Accept(std::string_view token) {
    Skip();
    if (!text_.substr(pos_).starts_with(token)) return false;
    pos_ += token.size();
    return true;
  }
  void End() {
    if (!AtEnd()) Fail("unexpected '" + std::string(PeekWord()) + "'");
  }

  Expr Prefix() { return Expr::ParsePrefix(text_, pos_, ctx_.symbols); }
  Expr Rest() {
    Skip();
    const std::size_t start = pos_;
    try {
      Expr e = Expr::Parse(text_.substr(start), ctx_.symbols);
      pos_ = text_.size();
      return e;
    } catch (const ParseError& e) {
      throw ParseError(e.what(), start + e.column);
    }
  }

  std::int64_t Constant(const char* what, std::int64_t lo, std::int64_t hi) {
    Skip();
    const std::size_t at = pos_;
    const Expr e = Prefix();
    if (!e.IsConstant()) throw ParseError(std::string(what) + " must be a constant", at);
    std::int64_t v;
    try {
      v = e.EvaluateConstant();
    } catch (const EvalError& err) {
      throw ParseError(err.what(), at);
    }
    if (v < lo || v > hi) {
      throw ParseError(std::string(what) + " " + std::to_string(v) + " out of range " +
                           std::to_string(lo) + ".." + std::to_string(hi),
                       at);
    }
    return v;
  }
  std::uint16_t Address(const char* what) {
    return static_cast<std::uint16_t>(Constant(what, 0, 0xFFFF));
  }
  std::optional<std::uint64_t> OptionalCount() {
    if (AtEnd()) return std::nullopt;
    return static_cast<std::uint64_t>(Constant("count", 0, INT64_MAX));
  }

  Location ParseLocation() {
    const std::string_view w = PeekWord();
    if (w.empty()) Fail("a location is needed: address, symbol or FILE:LINE");
    const std::size_t colon = w.rfind(':');
    if (colon != std::string_view::npos && colon > 0 && colon + 1 < w.size() && w[0] != '[' &&
        w[0] != '(') {
      const std::string_view file = w.substr(0, colon), number = w.substr(colon + 1);
      int line = 0;
      const auto [p, ec] = std::from_chars(number.data(), number.data() + number.size(), line);
      if (ec != std::errc() || p != number.data() + number.size() || line <= 0)
        Fail("bad line number in '" + std::string(w) + "'");
      const auto addresses = ctx_.lines ? ctx_.lines(file, line) : std::nullopt;
      if (!addresses) Fail("no debug information to find " + std::string(w));
      if (addresses->empty()) Fail("no code at " + std::string(w));
      pos_ += w.size();
      return {std::string(w), *addresses};
    }
    const std::size_t at = pos_;
    const std::uint16_t a = Address("location");
    std::string_view written = text_.substr(at, pos_ - at);
    while (!written.empty() && IsSpace(written.back())) written.remove_suffix(1);
    return {std::string(written), {a}};
  }

  std::optional<Expr> OptionalCondition() {
    if (AtEnd()) return std::nullopt;
    if (!AcceptWord("if")) Fail("expected 'if EXPR' or the end of the line");
    if (AtEnd()) Fail("a condition is needed after 'if'");
    return Rest();
  }

  std::size_t pos_ = 0;

 private:
  std::string_view text_;
  const ParseContext& ctx_;
};

bool IsAlias(const CommandInfo& c, std::string_view word) {
  std::string_view a = c.aliases;
  while (!a.empty()) {
    const std::size_t sp = a.find(' ');
    if (a.substr(0, sp) == word) return true;
    if (sp == std::string_view::npos) break;
    a.remove_prefix(sp + 1);
  }
  return false;
}

// The verb at the cursor, one or two words.
Verb ReadVerb(Cursor& c) {
  const std::string_view first = c.Word();
  if (first == "info" || first == "i") {
    const std::string_view what = c.Word();
    if (what == "breakpoints" || what == "break" || what == "b") return Verb::InfoBreakpoints;
    if (what == "registers" || what == "r") return Verb::Regs;
    c.Fail("info breakpoints or info registers");
  }
  for (const CommandInfo& info : kCommandTable) {
    if (info.name.find(' ') != std::string_view::npos) continue;
    if (info.name == first || IsAlias(info, first)) return info.verb;
  }
  c.pos_ -= first.size();
  c.Fail("unknown command '" + std::string(first) + "' (try help)");
}

void ParseArguments(Cursor& c, Command& cmd, const ParseContext& ctx) {
  switch (cmd.verb) {
    case Verb::Break:
    case Verb::TBreak:
      cmd.location = c.ParseLocation();
      cmd.condition = c.OptionalCondition();
      return;
    case Verb::Until: cmd.location = c.ParseLocation(); break;
    case Verb::Watch: {
      if (c.AcceptWord("read")) {
        cmd.access = Access::Read;
      } else if (c.AcceptWord("access")) {
        cmd.access = Access::ReadWrite;
      } else {
        c.AcceptWord("write");
      }
      if (c.AtEnd()) c.Fail("an address is needed");
      cmd.rangeFirst = cmd.rangeLast = c.Address("address");
      if (c.Accept("..")) cmd.rangeLast = c.Address("address");
      if (cmd.rangeLast < cmd.rangeFirst) c.Fail("the range ends before it starts");
      cmd.condition = c.OptionalCondition();
      return;
    }
    case Verb::Catch: {
      const std::string_view kind = c.Word();
      std::int64_t limit = 7;
      if (kind == "request") {
        cmd.catchKind = CatchKind::Request;
      } else if (kind == "fault") {
        cmd.catchKind = CatchKind::Fault;
        limit = 3;
      } else if (kind == "handover") {
        cmd.catchKind = CatchKind::Handover;
        limit = 31;
      } else {
        c.Fail("catch request, fault or handover");
      }
      if (!c.AtEnd())
        cmd.which = static_cast<std::uint32_t>(c.Constant(kind == "handover" ? "notification bit"
                                                          : kind == "fault"  ? "fault bit"
                                                                             : "request line",
                                                          0, limit));
      break;
    }
    case Verb::Delete:
    case Verb::Continue:
    case Verb::Step:
    case Verb::Back:
    case Verb::History: cmd.count = c.OptionalCount(); break;
    case Verb::Print:
    case Verb::Expect:
      if (c.AtEnd()) c.Fail("an expression is needed");
      cmd.value = c.Rest();
      return;
    case Verb::Examine:
      if (c.AtEnd()) c.Fail("an address is needed");
      cmd.address = c.Prefix();
      cmd.count = c.OptionalCount();
      break;
    case Verb::Disasm:
      if (!c.AtEnd()) cmd.address = c.Prefix();
      cmd.count = c.OptionalCount();
      break;
    case Verb::Set: {
      c.Skip();
      const std::size_t at = c.pos_;
      cmd.address = c.Prefix();
      if (!cmd.address->IsStorable())
        throw ParseError("set stores into a register, [ADDR] or [ADDR]:32", at);
      if (!c.Accept("=")) c.Fail("expected '='");
      if (c.AtEnd()) c.Fail("a value is needed after '='");
      cmd.value = c.Rest();
      return;
    }
    case Verb::Trace: {
      cmd.argument = std::string(c.Word());
      if (cmd.argument.empty()) c.Fail("a file name is needed");
      if (!c.AtEnd()) {
        if (!c.AcceptWord("only")) c.Fail("expected 'only calls|io|FIRST..LAST'");
        if (c.AcceptWord("calls")) {
          cmd.only = TraceOnly::Calls;
        } else if (c.AcceptWord("io")) {
          cmd.only = TraceOnly::Io;
        } else {
          if (c.AtEnd()) c.Fail("expected calls, io or FIRST..LAST");
          cmd.only = TraceOnly::Range;
          cmd.rangeFirst = c.Address("address");
          if (!c.Accept("..")) c.Fail("expected '..' in FIRST..LAST");
          cmd.rangeLast = c.Address("address");
          if (cmd.rangeLast < cmd.rangeFirst) c.Fail("the range ends before it starts");
        }
      }
      break;
    }
    case Verb::Coverage: {
      static constexpr std::pair<std::string_view, CoverageAction> kActions[] = {
          {"on", CoverageAction::On},
          {"profile", CoverageAction::Profile},
          {"off", CoverageAction::Off},
          {"lcov", CoverageAction::Lcov},
          {"callgrind", CoverageAction::Callgrind},
          {"folded", CoverageAction::Folded}};
      const std::string_view action = c.Word();
      const auto* found = std::find_if(std::begin(kActions), std::end(kActions),
                                       [&](const auto& a) { return a.first == action; });
      if (found == std::end(kActions))
        c.Fail("coverage on, profile, off, lcov, callgrind or folded");
      cmd.coverage = found->second;
      if (cmd.coverage >= CoverageAction::Lcov) {
        cmd.argument = std::string(c.Word());
        if (cmd.argument.empty()) c.Fail("a file name is needed");
      }
      break;
    }
    case Verb::Click: {
      const std::string_view name = c.Word();
      if (name.empty()) c.Fail("a control name is needed");
      if (ctx.clickable && !ctx.clickable(name)) {
        c.pos_ -= name.size();
        c.Fail("no clickable control named '" + std::string(name) + "'");
      }
      cmd.argument = std::string(name);
      break;
    }
    case Verb::SaveState:
    case Verb::LoadState:
      cmd.argument = std::string(c.Word());
      if (cmd.argument.empty()) c.Fail("a file name is needed");
      break;
    default: break;
  }
  c.End();
}

}  // namespace

const std::span<const CommandInfo> kCommands(kCommandTable);

std::optional<Command> ParseCommand(std::string_view line, const ParseContext& context) {
  if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
    line = line.substr(0, hash);
  }
  Cursor c(line, context);
  if (c.AtEnd()) return std::nullopt;
  Command cmd;
  cmd.verb = ReadVerb(c);
  if (cmd.verb == Verb::Trace && c.PeekWord() == "off") {
    c.Word();
    cmd.verb = Verb::TraceOff;
  }
  ParseArguments(c, cmd, context);
  return cmd;
}

std::vector<ScriptLine> ParseScript(std::string_view text, const std::string& source,
                                    const ParseContext& context) {
  std::vector<ScriptLine> lines;
  int number = 0;
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    const std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    ++number;
    try {
      if (auto cmd = ParseCommand(line, context)) lines.push_back({number, std::move(*cmd)});
    } catch (const ParseError& e) {
      throw ScriptError(source + ":" + std::to_string(number) + ": " + e.what());
    }
  }
  return lines;
}

std::string HelpText() {
  std::string text;
  for (const CommandInfo& c : kCommandTable) {
    std::string line = "  " + std::string(c.syntax);
    line.resize(std::max<std::size_t>(line.size() + 1, 52), ' ');
    text += line + std::string(c.help);
    if (!c.aliases.empty()) text += " [" + std::string(c.aliases) + "]";
    text += '\n';
  }
  return text;
}

}  // namespace kv74::mon
