// evaluate: an expression of the monitor's language (watch, hover, debug console), or in the
// debug console a monitor command: "-exec CMD", or any line that is not an expression.
#include <stdio.h>

#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <cstring>

#include "adapter.hpp"
#include "inspect.hpp"
#include "monitor/expr.hpp"
#include "monitor/session.hpp"

namespace kv74::dap {
namespace {

mon::SymbolLookup Lookup(const Board& b) {
  const mon::Symbols symbols = b.Symbols();
  return [symbols](std::string_view name) { return symbols.Value(name); };
}

std::int64_t ExpressionValue(Board& b, const mon::Expr& e) {
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

// A command carried out by the monitor's session, its answer as text.
std::string Execute(mon::Session& session, const mon::Command& c) {
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  if (!out) throw RequestError(std::string("cannot run the command: ") + std::strerror(errno));
  session.SetOutput(out);
  session.SetErrors(out);
  std::string error;
  try {
    session.Execute(c, "");
  } catch (const std::exception& e) {
    error = e.what();
  }
  session.SetOutput(nullptr);
  session.SetErrors(nullptr);
  std::fclose(out);
  std::string answer(text, size);
  std::free(text);
  if (!error.empty()) throw RequestError(error);
  return answer;
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
    // A line that starts with a word may be a command; anything else was meant as an expression.
    if (context != "repl" || text.empty() || !std::isalpha(static_cast<unsigned char>(text[0])))
      throw RequestError(err.what());
    Monitor(r, std::string(text));
    return;
  }
  const std::int64_t v = ExpressionValue(B(), *e);
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
  mon::Session& session = *B().session;
  std::optional<mon::Command> parsed;
  try {
    parsed = mon::ParseCommand(line, session.Context());
  } catch (const mon::ParseError& e) {
    throw RequestError(e.what());
  }
  if (!parsed) {
    Reply(r, {{"result", ""}, {"variablesReference", 0}});
    return;
  }
  const mon::Command& c = *parsed;
  auto count = [&](std::uint64_t fallback) { return c.count ? *c.count : fallback; };
  auto runs = [&](RunKind kind, std::uint64_t n) {
    if (running_) throw RequestError("the machine is running");
    Reply(r, {{"result", ""}, {"variablesReference", 0}});
    Go(kind, n);
  };
  const bool noCode = c.location.addresses.empty();
  std::string out;
  switch (c.verb) {
    // Runs go in the adapter's slices, with its events.
    case mon::Verb::Continue: return runs(RunKind::Continue, count(kForever));
    case mon::Verb::Step: return runs(RunKind::Continue, count(1));
    case mon::Verb::Next: return runs(RunKind::Next, kForever);
    case mon::Verb::Finish: return runs(RunKind::StepOut, kForever);
    case mon::Verb::Back: return runs(RunKind::StepBack, count(1));
    case mon::Verb::ReverseContinue: return runs(RunKind::ReverseContinue, kForever);
    case mon::Verb::Until:
      if (noCode) throw RequestError("no code at " + c.location.text);
      goalPc_ = c.location.addresses.front();
      return runs(RunKind::RunTo, kForever);
    // The editor's points are not the console's to delete.
    case mon::Verb::Delete:
    case mon::Verb::InfoBreakpoints: ConsolePoints(c, out); break;
    case mon::Verb::Expect:
      out = Execute(session, c);
      if (out.empty()) out = "expect held";
      break;
    case mon::Verb::SaveState:
    case mon::Verb::LoadState:
    case mon::Verb::Trace:
    case mon::Verb::TraceOff:
      if (!options_.writeFiles) throw RequestError("files are off in this adapter");
      out = Execute(session, c);
      break;
    case mon::Verb::Coverage: throw RequestError("coverage is kv74-run's; not in the adapter");
    case mon::Verb::Quit: throw RequestError("stop the session from the editor");
    case mon::Verb::Break:
    case mon::Verb::TBreak:
      if (noCode) throw RequestError("no code at " + c.location.text);
      out = Execute(session, c);
      break;
    default: out = Execute(session, c);
  }
  if (!out.empty() && out.back() == '\n') out.pop_back();
  Reply(r, {{"result", out}, {"variablesReference", 0}});
}

// Points made here are the console's own: the editor's breakpoint lists do not show them, and
// `delete` without a number removes only these.
void Adapter::ConsolePoints(const mon::Command& c, std::string& out) {
  debug::PointTable& points = B().E().Points();
  switch (c.verb) {
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
