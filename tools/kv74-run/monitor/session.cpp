#include "session.hpp"

#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <fstream>
#include <sstream>

#include "emu/bus.hpp"
#include "emu/decode.hpp"
#include "emu/disasm.hpp"
#include "line_reader.hpp"
#include "periph/schedule.hpp"

namespace kv74::mon {
namespace {

namespace fs = std::filesystem;

std::uint64_t Or(const std::optional<std::uint64_t>& v, std::uint64_t fallback) {
  return v ? *v : fallback;
}

std::string AccessName(Access a) {
  switch (a) {
    case Access::Read: return "read";
    case Access::Write: return "write";
    case Access::ReadWrite: return "access";
  }
  return "";
}

std::string CatchName(CatchKind k) {
  switch (k) {
    case CatchKind::Request: return "request";
    case CatchKind::Fault: return "fault";
    case CatchKind::Handover: return "handover";
  }
  return "";
}

std::string Hex4(unsigned v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%04X", v & 0xFFFFu);
  return buf;
}

// Stores a word as the processor would: data memory and the I/O page through the bus (its
// hooks and notifications included); the read-only areas are patched directly.
void StoreWord(MachineState& m, std::uint16_t a, std::uint16_t v) {
  if (a < PROGRAM_BASE + PROGRAM_WORDS) {
    m.ProgramMemory[a - PROGRAM_BASE] = v;
  } else if (a >= TABLE_BASE && a < TABLE_BASE + TABLE_WORDS) {
    m.TableMemory[a - TABLE_BASE] = v;
  } else if ((a >= DATA_BASE && a < DATA_BASE + DATA_WORDS) ||
             (a >= IO_BASE && a < IO_BASE + IO_SIZE && IoMap[a - IO_BASE] != 0)) {
    BusWrite(m, a, v);
  } else {
    throw CommandError("nothing to store into at " + Hex4(a));
  }
}

}  // namespace

Session::Session(MachineState& m, RunnerPanel& panel, std::span<const ScriptClick> inputClicks,
                 const dbg::DebugInfo* info, std::optional<std::uint64_t> stepLimit, std::FILE* out)
    : m_(m),
      panel_(panel),
      symbols_(info),
      run_(m, panel, inputClicks),
      stepLimit_(stepLimit),
      out_(out) {}

Session::~Session() {
  if (trace_) std::fclose(trace_);
}

ParseContext Session::Context() const {
  ParseContext c;
  const Symbols symbols = symbols_;
  c.symbols = [symbols](std::string_view name) { return symbols.Value(name); };
  const dbg::DebugInfo* info = symbols_.Info();
  c.lines = [info](std::string_view file, int line) -> std::optional<std::vector<std::uint16_t>> {
    if (!info) return std::nullopt;
    return info->AddressesOf(file, line);
  };
  RunnerPanel* panel = &panel_;
  c.clickable = [panel](std::string_view name) { return panel->IsClickable(name); };
  return c;
}

void Session::Stopped(std::string why) {
  std::fprintf(out_, "%s, steps %" PRIu64 ", %s\n", why.c_str(), run_.Steps(),
               InstructionLine(m_, symbols_, m_[reg::PC]).c_str());
}

void Session::Resume(RunRequest request, const char* limitReason) {
  const std::string why = run_.Run(request);
  Stopped(why.empty() ? limitReason : why);
}

bool Session::Execute(const Command& c, const std::string& where) {
  auto evaluate = [&](const Expr& e) {
    try {
      return e.Evaluate(Machine{m_, run_.Steps()});
    } catch (const EvalError& err) {
      throw CommandError(err.what());
    }
  };
  switch (c.verb) {
    case Verb::Break:
    case Verb::TBreak: {
      StopPoint p;
      p.kind = StopPoint::Kind::Break;
      p.what = c.location.text;
      p.addresses = c.location.addresses;
      p.condition = c.condition;
      p.temporary = c.verb == Verb::TBreak;
      const int id = run_.Add(std::move(p));
      for (std::uint16_t a : c.location.addresses) {
        const std::string at = symbols_.Where(a);
        std::fprintf(out_, "breakpoint %d at %s%s\n", id, Hex4(a).c_str(),
                     at.empty() ? "" : (" " + at).c_str());
      }
      break;
    }
    case Verb::Watch: {
      StopPoint p;
      p.kind = StopPoint::Kind::Watch;
      p.first = c.rangeFirst;
      p.last = c.rangeLast;
      p.access = c.access;
      p.condition = c.condition;
      p.what = AccessName(c.access) + " " + Hex4(c.rangeFirst) +
               (c.rangeLast != c.rangeFirst ? ".." + Hex4(c.rangeLast) : "");
      const std::string what = p.what;
      std::fprintf(out_, "watchpoint %d: %s\n", run_.Add(std::move(p)), what.c_str());
      break;
    }
    case Verb::Catch: {
      StopPoint p;
      p.kind = StopPoint::Kind::Catch;
      p.catchKind = c.catchKind;
      p.which = c.which;
      p.what = CatchName(c.catchKind) + (c.which ? " " + std::to_string(*c.which) : "");
      const std::string what = p.what;
      std::fprintf(out_, "catchpoint %d: %s\n", run_.Add(std::move(p)), what.c_str());
      break;
    }
    case Verb::Delete:
      if (!c.count) {
        run_.DeleteAll();
      } else if (!run_.Delete(static_cast<int>(*c.count))) {
        throw CommandError("no stop point " + std::to_string(*c.count));
      }
      break;
    case Verb::InfoBreakpoints: InfoBreakpoints(); break;
    case Verb::Continue: {
      RunRequest r;
      if (c.count) {
        r.maxSteps = *c.count;
      } else if (stepLimit_) {
        r.maxSteps = *stepLimit_ > run_.Steps() ? *stepLimit_ - run_.Steps() : 0;
      }
      Resume(r, c.count ? "step count reached" : "end of run");
      break;
    }
    case Verb::Step: {
      RunRequest r;
      r.maxSteps = Or(c.count, 1);
      Resume(r, "step");
      break;
    }
    case Verb::Next: {
      RunRequest r;
      const std::uint16_t pc = m_[reg::PC], op = PeekWord(m_, pc);
      if (IsCall(op)) {
        r.goal = Goal::ReturnTo;
        r.pc = static_cast<std::uint16_t>(pc + InstructionLength(op));
        r.sp = m_[reg::SP];
      } else {
        r.maxSteps = 1;
      }
      Resume(r, "step");
      break;
    }
    case Verb::Finish: {
      RunRequest r;
      r.goal = Goal::StackBelow;
      r.sp = m_[reg::SP];
      Resume(r, "end of run");
      break;
    }
    case Verb::Until: {
      RunRequest r;
      r.goal = Goal::ReachAddress;
      r.addresses = c.location.addresses;
      Resume(r, "end of run");
      break;
    }
    case Verb::Back:
    case Verb::ReverseContinue:
    case Verb::SaveState:
    case Verb::LoadState:
      throw CommandError("this build's run control cannot go back or keep snapshots");
    case Verb::Print: {
      std::fprintf(out_, "%s = %s\n", c.value->Text().c_str(),
                   ValueText(evaluate(*c.value)).c_str());
      break;
    }
    case Verb::Examine:
      std::fputs(
          WordsText(m_, symbols_, static_cast<std::uint16_t>(evaluate(*c.address)), Or(c.count, 8))
              .c_str(),
          out_);
      break;
    case Verb::Set: Set(c); break;
    case Verb::Regs: std::fputs(RegistersText(m_).c_str(), out_); break;
    case Verb::Disasm: {
      const auto a = c.address ? static_cast<std::uint16_t>(evaluate(*c.address)) : m_[reg::PC];
      std::fputs(DisassemblyText(m_, symbols_, a, Or(c.count, 10)).c_str(), out_);
      break;
    }
    case Verb::History: History(Or(c.count, 20)); break;
    case Verb::Trace:
    case Verb::TraceOff: Trace(c); break;
    case Verb::Click:
      run_.Click(c.argument);
      std::fprintf(out_, "clicked %s at steps %" PRIu64 "\n", c.argument.c_str(), run_.Steps());
      break;
    case Verb::Panel: std::fputs(PanelText(panel_).c_str(), out_); break;
    case Verb::Expect: {
      const Expr& e = *c.value;
      if (evaluate(e) != 0) break;
      expectFailed_ = true;
      std::string sides;
      const Node& root = e.Root();
      if (root.kind == Node::Kind::Binary) {
        const Machine now{m_, run_.Steps()};
        sides = ": left " + ValueText(e.EvaluateNode(root.a, now)) + ", right " +
                ValueText(e.EvaluateNode(root.b, now));
      } else {
        sides = ": the value is 0";
      }
      std::fprintf(stderr, "%sexpect failed: %s%s\n", where.c_str(), e.Text().c_str(),
                   sides.c_str());
      break;
    }
    case Verb::Help: std::fputs(HelpText().c_str(), out_); break;
    case Verb::Quit: return false;
  }
  return true;
}

void Session::Set(const Command& c) {
  std::int64_t value;
  std::int64_t address = 0;
  try {
    value = c.value->Evaluate(Machine{m_, run_.Steps()});
    if (c.address->Root().kind != Node::Kind::Register)
      address = c.address->EvaluateOperand(Machine{m_, run_.Steps()});
  } catch (const EvalError& e) {
    throw CommandError(e.what());
  }
  SyncPeripherals(m_);
  const Node& target = c.address->Root();
  const auto a = static_cast<std::uint16_t>(address);
  switch (target.kind) {
    case Node::Kind::Register:
      m_[static_cast<int>(target.value)] = static_cast<std::uint16_t>(value);
      break;
    case Node::Kind::Word: StoreWord(m_, a, static_cast<std::uint16_t>(value)); break;
    default:
      StoreWord(m_, a, static_cast<std::uint16_t>(static_cast<std::uint64_t>(value) >> 16));
      StoreWord(m_, static_cast<std::uint16_t>(a + 1), static_cast<std::uint16_t>(value));
      break;
  }
  if (m_.NotifyWord != 0) panel_.Handover(m_);
}

void Session::InfoBreakpoints() {
  if (run_.Points().empty()) {
    std::fputs("no stop points\n", out_);
    return;
  }
  for (const StopPoint& p : run_.Points()) {
    static constexpr const char* kKinds[] = {"breakpoint", "watchpoint", "catchpoint"};
    std::fprintf(out_, "%-3d %-11s %s%s%s, hit %" PRIu64 " time%s\n", p.id,
                 (p.temporary ? "tbreakpoint" : kKinds[static_cast<int>(p.kind)]), p.what.c_str(),
                 p.condition ? " if " : "", p.condition ? p.condition->Text().c_str() : "", p.hits,
                 p.hits == 1 ? "" : "s");
  }
}

void Session::History(std::uint64_t count) {
  const auto& h = run_.History();
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, h.size()));
  // The ring's newest entry is just before HistoryStart once it has wrapped.
  const std::size_t newest = h.size() < RunControl::HISTORY ? h.size() : run_.HistoryStart();
  for (std::size_t k = n; k > 0; --k) {
    const HistoryEntry& e = h[(newest + h.size() - k) % h.size()];
    const Disassembly d = Disassemble(e.op, e.ext, e.pc);
    std::string line = std::to_string(e.step) + " " + Hex4(e.pc);
    if (const std::string at = symbols_.Where(e.pc); !at.empty()) line += " " + at;
    line += ": " + d.text;
    for (int i = 0; i < std::min<int>(e.changes, HistoryEntry::MAX_CHANGES); ++i) {
      line += (i ? " " : "   ; ") + RegisterName(e.changed[static_cast<std::size_t>(i)].first) +
              "=" + Hex4(e.changed[static_cast<std::size_t>(i)].second).substr(2);
    }
    if (e.changes > HistoryEntry::MAX_CHANGES) line += " ...";
    std::fprintf(out_, "%s\n", line.c_str());
  }
}

void Session::Trace(const Command& c) {
  run_.SetTrace(nullptr, TraceOnly::All, 0, 0);
  if (trace_) {
    const bool ok = std::fclose(trace_) == 0;
    trace_ = nullptr;
    if (!ok) throw CommandError("cannot write the trace file");
  }
  if (c.verb == Verb::TraceOff) return;
  trace_ = std::fopen(c.argument.c_str(), "w");
  if (!trace_) throw CommandError("cannot write trace " + c.argument + ": " + std::strerror(errno));
  run_.SetTrace(trace_, c.only, c.rangeFirst, c.rangeLast);
}

MonitorResult RunMonitor(MachineState& m, RunnerPanel& panel,
                         std::span<const ScriptClick> inputClicks, const RunOptions& o,
                         const fs::path& images) {
  std::optional<dbg::DebugInfo> info;
  fs::path infoFile = o.debugInfo ? *o.debugInfo : images / "V4.debug.json";
  if (o.debugInfo || fs::exists(infoFile)) {
    try {
      info = dbg::ReadDebugInfo(infoFile);
    } catch (const dbg::DebugInfoError& e) {
      throw UsageError(e.what());
    }
  }
  Session session(m, panel, inputClicks, info ? &*info : nullptr, o.steps, stdout);
  const ParseContext context = session.Context();
  MonitorResult result;

  if (o.doScript) {
    std::ifstream in(*o.doScript, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in || fs::is_directory(*o.doScript)) {
      throw UsageError("cannot read monitor script " + o.doScript->string());
    }
    std::vector<ScriptLine> lines;
    try {
      lines = ParseScript(text.str(), o.doScript->string(), context);
    } catch (const ScriptError& e) {
      throw UsageError(e.what());
    }
    for (const ScriptLine& line : lines) {
      const std::string where = o.doScript->string() + ":" + std::to_string(line.line) + ": ";
      try {
        if (!session.Execute(line.command, where)) break;
      } catch (const CommandError& e) {
        std::fprintf(stderr, "kv74-run: %s%s\n", where.c_str(), e.what());
        result.status = 2;
        break;
      }
    }
  } else {
    LineReader reader(stdin, "(kv74) ");
    while (const auto line = reader.Next()) {
      try {
        const auto command = ParseCommand(*line, context);
        if (command && !session.Execute(*command, "")) break;
      } catch (const ParseError& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
      } catch (const CommandError& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
      }
      std::fflush(stdout);
    }
  }
  if (result.status == 0 && session.ExpectFailed()) result.status = 1;
  result.steps = session.Steps();
  return result;
}

}  // namespace kv74::mon
