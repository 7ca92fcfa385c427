// evaluate: an expression of the monitor's language (watch, hover, debug console), or in the
// debug console a monitor command: "-exec CMD", or any line that is not an expression.
#include <cinttypes>

#include "adapter.hpp"
#include "inspect.hpp"
#include "monitor/expr.hpp"

namespace kv74::dap {
namespace {

mon::SymbolLookup Lookup(const Board& b) {
  const mon::Symbols symbols = b.Symbols();
  return [symbols](std::string_view name) { return symbols.Value(name); };
}

std::int64_t Value(Board& b, const mon::Expr& e) {
  try {
    return e.Evaluate(mon::Machine{b.M(), b.E().Steps()});
  } catch (const mon::EvalError& err) {
    throw RequestError(err.what());
  }
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

}  // namespace

void Adapter::Evaluate(const Json& r, const Args& a) {
  const std::string expression = a.RequireString("expression");
  const std::string_view text = Trim(expression);
  const std::string context = a.String("context").value_or("repl");
  if (context == "repl" && text.starts_with("-exec")) {
    Monitor(r, std::string(Trim(text.substr(5))));
    return;
  }
  std::optional<mon::Expr> e;
  try {
    e = mon::Expr::Parse(text, Lookup(B()));
  } catch (const mon::ParseError& err) {
    if (context != "repl") throw RequestError(err.what());
    Monitor(r, std::string(text));
    return;
  }
  const std::int64_t v = Value(B(), *e);
  Json body = {{"result", mon::ValueText(v)}, {"variablesReference", 0}};
  // A name of a memory cell shows the cell too (hovering over a label in the source).
  const dbg::Symbol* s = B().Info() ? B().Info()->Find(text) : nullptr;
  if (s && s->kind == dbg::Symbol::Kind::Label && v >= 0 && v <= 0xFFFF) {
    const auto address = static_cast<std::uint16_t>(v);
    body["result"] =
        AddressText(address) + ": " + inspect::WordText(mon::PeekWord(B().M(), address));
    body["memoryReference"] = AddressText(address);
  }
  Reply(r, body);
}

void Adapter::Monitor(const Json& r, const std::string& line) {
  mon::ParseContext context;
  context.symbols = Lookup(B());
  const dbg::DebugInfo* info = B().Info();
  context.lines = [info](std::string_view file,
                         int n) -> std::optional<std::vector<std::uint16_t>> {
    if (!info) return std::nullopt;
    return info->AddressesOf(file, n);
  };
  RunnerPanel* panel = B().panel.get();
  context.clickable = [panel](std::string_view name) { return panel->IsClickable(name); };
  std::optional<mon::Command> parsed;
  try {
    parsed = mon::ParseCommand(line, context);
  } catch (const mon::ParseError& e) {
    throw RequestError(e.what());
  }
  if (!parsed) {
    Reply(r, {{"result", ""}, {"variablesReference", 0}});
    return;
  }
  const mon::Command& c = *parsed;
  MachineState& m = B().M();
  debug::Engine& e = B().E();
  const mon::Symbols symbols = B().Symbols();
  auto value = [&](const mon::Expr& x) { return Value(B(), x); };
  auto count = [&](std::uint64_t fallback) { return c.count ? *c.count : fallback; };
  auto runs = [&](RunKind kind, std::uint64_t n) {
    if (running_) throw RequestError("the machine is running");
    Reply(r, {{"result", ""}, {"variablesReference", 0}});
    Go(kind, n);
  };
  std::string out;
  switch (c.verb) {
    case mon::Verb::Continue: return runs(RunKind::Continue, count(kForever));
    case mon::Verb::Step: return runs(RunKind::Continue, count(1));
    case mon::Verb::Next: return runs(RunKind::Next, kForever);
    case mon::Verb::Finish: return runs(RunKind::StepOut, kForever);
    case mon::Verb::Back: return runs(RunKind::StepBack, count(1));
    case mon::Verb::ReverseContinue: return runs(RunKind::ReverseContinue, kForever);
    case mon::Verb::Until:
      if (c.location.addresses.empty()) throw RequestError("no code at " + c.location.text);
      goalPc_ = c.location.addresses.front();
      return runs(RunKind::RunTo, kForever);
    case mon::Verb::Break:
    case mon::Verb::TBreak:
    case mon::Verb::Watch:
    case mon::Verb::Catch:
    case mon::Verb::Delete:
    case mon::Verb::InfoBreakpoints: ConsolePoints(c, out); break;
    case mon::Verb::Print: out = c.value->Text() + " = " + mon::ValueText(value(*c.value)); break;
    case mon::Verb::Examine:
      out = mon::WordsText(m, symbols, static_cast<std::uint16_t>(value(*c.address)), count(8));
      break;
    case mon::Verb::Set: {
      const std::int64_t v = value(*c.value);
      const mon::Node& target = c.address->Root();
      if (target.kind == mon::Node::Kind::Register) {
        B().StoreRegister(static_cast<int>(target.value), static_cast<std::uint16_t>(v));
      } else {
        std::int64_t operand = 0;
        try {
          operand = c.address->EvaluateOperand({m, e.Steps()});
        } catch (const mon::EvalError& err) {
          throw RequestError(err.what());
        }
        const auto a = static_cast<std::uint16_t>(operand);
        if (target.kind == mon::Node::Kind::Word) {
          B().Store(a, static_cast<std::uint16_t>(v));
        } else {
          B().Store(a, static_cast<std::uint16_t>(static_cast<std::uint64_t>(v) >> 16));
          B().Store(static_cast<std::uint16_t>(a + 1), static_cast<std::uint16_t>(v));
        }
      }
      B().Restart();
      out = c.address->Text() + " = " + mon::ValueText(value(*c.address));
      break;
    }
    case mon::Verb::Regs: out = mon::RegistersText(m); break;
    case mon::Verb::Disasm:
      out = mon::DisassemblyText(
          m, symbols, c.address ? static_cast<std::uint16_t>(value(*c.address)) : m[reg::PC],
          count(10));
      break;
    case mon::Verb::Panel: out = mon::PanelText(B().panel->Surface()); break;
    case mon::Verb::Click:
      if (!e.Click(c.argument)) throw RequestError("cannot click " + c.argument);
      out = "clicked " + c.argument + " at steps " + std::to_string(e.Steps());
      break;
    case mon::Verb::SaveState:
    case mon::Verb::LoadState:
      if (!options_.writeFiles)
        throw RequestError("save-state and load-state are off in this adapter");
      try {
        if (c.verb == mon::Verb::SaveState)
          e.SaveSnapshotFile(c.argument);
        else
          e.LoadSnapshotFile(c.argument);
      } catch (const std::exception& err) {
        throw RequestError(err.what());
      }
      out = (c.verb == mon::Verb::SaveState ? "saved " : "loaded ") + c.argument + " at steps " +
            std::to_string(e.Steps());
      break;
    case mon::Verb::Expect:
      out = value(*c.value) != 0 ? "expect held" : "expect FAILED: " + c.value->Text();
      break;
    case mon::Verb::Help: out = mon::HelpText(); break;
    case mon::Verb::History:
    case mon::Verb::Trace:
    case mon::Verb::TraceOff:
    case mon::Verb::Coverage:
      throw RequestError("history, trace and coverage are kv74-run's; not in the adapter");
    case mon::Verb::Quit: throw RequestError("stop the session from the editor");
  }
  Reply(r, {{"result", out}, {"variablesReference", 0}});
}

// Points made here are the console's own: the editor's breakpoint lists do not show them, and
// `delete` without a number removes only these.
void Adapter::ConsolePoints(const mon::Command& c, std::string& out) {
  debug::PointTable& points = B().E().Points();
  const mon::Symbols symbols = B().Symbols();
  auto qualify = [&](int id) {
    debug::Point* p = points.Find(id);
    p->temporary = c.verb == mon::Verb::TBreak;
    if (!c.condition) return;
    p->conditionText = c.condition->Text();
    p->condition = MakeCondition(*c.condition, B().E());
  };
  switch (c.verb) {
    case mon::Verb::Break:
    case mon::Verb::TBreak:
      if (c.location.addresses.empty()) throw RequestError("no code at " + c.location.text);
      for (std::uint16_t a : c.location.addresses) {
        const int id = points.AddBreak(a, c.location.text);
        qualify(id);
        out += "breakpoint " + std::to_string(id) + " at " + AddressText(a) + " " +
               symbols.Where(a) + "\n";
      }
      break;
    case mon::Verb::Watch: {
      static constexpr debug::WatchKind kKinds[] = {debug::WatchKind::Read, debug::WatchKind::Write,
                                                    debug::WatchKind::Access};
      const int id = points.AddWatch(c.rangeFirst, c.rangeLast, kKinds[static_cast<int>(c.access)],
                                     AddressText(c.rangeFirst));
      qualify(id);
      out = "watchpoint " + std::to_string(id) + ": " + AddressText(c.rangeFirst) + ".." +
            AddressText(c.rangeLast);
      break;
    }
    case mon::Verb::Catch: {
      static constexpr std::uint32_t kAll[] = {0xFF, fault::FAULT_MASK, 0xFFFFFFFF};
      const auto kind = static_cast<debug::CatchKind>(c.catchKind);
      const std::uint32_t mask = c.which ? 1u << *c.which : kAll[static_cast<int>(c.catchKind)];
      out = "catchpoint " + std::to_string(points.AddCatch(kind, mask, "catch"));
      break;
    }
    case mon::Verb::Delete:
      if (c.count) {
        const int id = static_cast<int>(*c.count);
        if (book_->OwnerOf(id))
          throw RequestError("point " + std::to_string(id) + " is the editor's; remove it there");
        if (!points.Remove(id)) throw RequestError("no stop point " + std::to_string(id));
      } else {
        std::vector<int> mine;
        for (const debug::Point& p : points.All())
          if (!book_->OwnerOf(p.id)) mine.push_back(p.id);
        for (int id : mine) points.Remove(id);
      }
      break;
    default:
      for (const debug::Point& p : points.All()) {
        static constexpr const char* kKind[] = {"break", "watch", "catch"};
        char line[200];
        std::snprintf(line, sizeof line, "%3d %-5s %-8s %-20s hits %" PRIu64 "%s%s\n", p.id,
                      kKind[static_cast<int>(p.kind)], book_->OwnerOf(p.id) ? "editor" : "console",
                      p.location.c_str(), p.hits, p.conditionText.empty() ? "" : " if ",
                      p.conditionText.c_str());
        out += line;
      }
      if (out.empty()) out = "no stop points";
  }
}

}  // namespace kv74::dap
