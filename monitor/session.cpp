#include "monitor/session.hpp"

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cstring>

#include "board/schedule.hpp"
#include "board/shown.hpp"
#include "cpu/bus.hpp"
#include "cpu/decode.hpp"
#include "cpu/disasm.hpp"
#include "debug/history_text.hpp"
#include "debug/reports.hpp"

namespace kv74::mon {
namespace {

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

// Stores a word (Storable) as the processor would: data memory and the I/O page through the bus
// (its hooks and notifications included); the read-only areas are patched directly.
void StoreWord(BoardState& m, std::uint16_t a, std::uint16_t v) {
  if (a < PROGRAM_BASE + PROGRAM_WORDS)
    m.ProgramMemory[a - PROGRAM_BASE] = v;
  else if (a >= TABLE_BASE && a < TABLE_BASE + TABLE_WORDS)
    m.TableMemory[a - TABLE_BASE] = v;
  else
    BusWrite(m, a, v);
}

bool IsCallOrReturn(std::uint16_t op) {
  const Op form = Decode(op);
  return form == Op::CallTable || form == Op::Return ||
         ((form == Op::JumpReg || form == Op::JumpAbs) && FieldD(op) == 2);
}

debug::WatchKind WatchKindOf(Access a) {
  switch (a) {
    case Access::Read: return debug::WatchKind::Read;
    case Access::Write: return debug::WatchKind::Write;
    case Access::ReadWrite: return debug::WatchKind::Access;
  }
  return debug::WatchKind::Write;
}

}  // namespace

bool Storable(std::uint16_t a) {
  return a < PROGRAM_BASE + PROGRAM_WORDS || (a >= TABLE_BASE && a < TABLE_BASE + TABLE_WORDS) ||
         (a >= DATA_BASE && a < DATA_BASE + DATA_WORDS) ||
         (a >= IO_BASE && a < IO_BASE + IO_SIZE && IoMap[a - IO_BASE] != 0);
}

Session::Session(BoardState& m, debug::Engine& engine, ControlSurface& panel,
                 const dbg::DebugInfo* info, std::optional<std::uint64_t> stepLimit, std::FILE* out)
    : m_(m), panel_(panel), symbols_(info), engine_(engine), stepLimit_(stepLimit), out_(out) {}

Session::~Session() {
  if (collector_) engine_.SetCollector(nullptr);
  std::string ignored;
  CloseTrace(ignored);
}

bool Session::CloseTrace(std::string& error) {
  if (!trace_) return true;
  engine_.SetStepObserver(nullptr);
  const bool ok = trace_->Finish(error) && trace_->Replace(error);
  trace_.reset();
  return ok;
}

ParseContext MakeContext(const dbg::DebugInfo* info, Clickable clickable) {
  ParseContext c;
  const Symbols symbols(info);
  c.symbols = [symbols](std::string_view name) { return symbols.Value(name); };
  c.lines = [info](std::string_view file, int line) -> std::optional<std::vector<std::uint16_t>> {
    if (!info) return std::nullopt;
    return info->AddressesOf(file, line);
  };
  c.clickable = std::move(clickable);
  return c;
}

ParseContext Session::Context() const {
  debug::Target* target = &engine_.GetTarget();
  return MakeContext(symbols_.Info(),
                     [target](std::string_view name) { return target->IsClickable(name); });
}

std::string Session::StopLine(const debug::StopReason& stop) const {
  std::string why = debug::Describe(stop);
  if (!conditionError_.empty()) why += " (" + conditionError_ + ")";
  return why + ", steps " + std::to_string(engine_.Steps()) + ", " +
         InstructionLine(m_, symbols_, m_[reg::PC]);
}

void Session::Stopped(const debug::StopReason& stop) {
  lastStop_ = stop;
  std::fprintf(out_, "%s\n", StopLine(stop).c_str());
  conditionError_.clear();
}

namespace {

// The session whose run Ctrl-C pauses; set only while an interactive run is in progress.
std::atomic<Session*> interrupted{nullptr};

void OnInterrupt(int) {
  if (Session* s = interrupted.load()) s->Pause();
}

// Ctrl-C pauses the run at its next step boundary while the object lives.
class InterruptScope {
 public:
  InterruptScope(Session* s, bool on) : on_(on) {
    if (!on_) return;
    interrupted.store(s);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &saved_);
  }
  ~InterruptScope() {
    if (!on_) return;
    sigaction(SIGINT, &saved_, nullptr);
    interrupted.store(nullptr);
  }
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;

 private:
  bool on_;
  struct sigaction saved_ {};
};

}  // namespace

template <typename F>
void Session::Go(F run) {
  debug::StopReason stop;
  {
    const InterruptScope scope(this, interactive_);
    stop = run();
  }
  engine_.CancelPause();  // a Ctrl-C that came as the run ended
  Stopped(stop);
}

debug::Condition Session::Condition(const Expr& expr, int id) {
  return [this, expr, id](BoardState& m) {
    try {
      return expr.Evaluate(Machine{m, engine_.Steps()}) != 0;
    } catch (const EvalError& e) {
      conditionError_ = "the condition of " + std::to_string(id) + " failed: " + e.what();
      return true;
    }
  };
}

void Session::Breakpoint(const Command& c) {
  for (std::uint16_t a : c.location.addresses) {
    const int id = engine_.Points().AddBreak(a, c.location.text);
    debug::Point* p = engine_.Points().Find(id);
    p->temporary = c.verb == Verb::TBreak;
    if (c.condition) {
      p->condition = Condition(*c.condition, p->id);
      p->conditionText = c.condition->Text();
    }
    const std::string at = symbols_.Where(a);
    std::fprintf(out_, "%s %d at %s%s\n", p->temporary ? "temporary breakpoint" : "breakpoint", id,
                 Hex4(a).c_str(), at.empty() ? "" : (" " + at).c_str());
  }
}

void Session::Watch(const Command& c) {
  const std::string what = AccessName(c.access) + " " + Hex4(c.rangeFirst) +
                           (c.rangeLast != c.rangeFirst ? ".." + Hex4(c.rangeLast) : "");
  const int id = engine_.Points().AddWatch(c.rangeFirst, c.rangeLast, WatchKindOf(c.access), what);
  debug::Point* p = engine_.Points().Find(id);
  if (c.condition) {
    p->condition = Condition(*c.condition, p->id);
    p->conditionText = c.condition->Text();
  }
  std::fprintf(out_, "watchpoint %d: %s\n", id, what.c_str());
}

void Session::Catch(const Command& c) {
  static constexpr std::uint32_t kAll[] = {0xFF, fault::FAULT_MASK, 0xFFFFFFFF};
  const auto kind = static_cast<debug::CatchKind>(c.catchKind);
  const std::uint32_t mask = c.which ? 1u << *c.which : kAll[static_cast<int>(c.catchKind)];
  const std::string what = CatchName(c.catchKind) + (c.which ? " " + std::to_string(*c.which) : "");
  std::fprintf(out_, "catchpoint %d: %s\n", engine_.Points().AddCatch(kind, mask, what),
               what.c_str());
}

std::uint64_t Session::Left(std::optional<std::uint64_t> count) const {
  std::uint64_t left = count ? *count : debug::Engine::FOREVER;
  if (stepLimit_) left = std::min(left, *stepLimit_ > Steps() ? *stepLimit_ - Steps() : 0);
  return left;
}

// One address runs to it; the addresses of a source line become temporary breakpoints.
void Session::Until(const Command& c) {
  const auto& addresses = c.location.addresses;
  if (addresses.size() == 1) {
    Go([&] { return engine_.RunTo(addresses[0], Left()); });
    return;
  }
  std::vector<int> ids;
  for (std::uint16_t a : addresses) {
    ids.push_back(engine_.Points().AddBreak(a, c.location.text));
    engine_.Points().Find(ids.back())->temporary = true;
  }
  Go([&] { return engine_.Continue(Left()); });
  for (int id : ids) engine_.Points().Remove(id);
}

void Session::LoadState(const std::filesystem::path& file) {
  // The schedule stays the one given (--input), whatever the snapshot was taken with: its clicks
  // after the loaded step are made.
  std::vector<debug::ClickEvent> schedule = engine_.Clicks().Schedule();
  try {
    engine_.LoadSnapshotFile(file);
  } catch (const std::exception& e) {
    throw CommandError(e.what());
  }
  engine_.SetSchedule(std::move(schedule));
}

bool Session::Execute(const Command& c, const std::string& where) {
  auto evaluate = [&](const Expr& e) {
    try {
      return e.Evaluate(Machine{m_, engine_.Steps()});
    } catch (const EvalError& err) {
      throw CommandError(err.what());
    }
  };
  switch (c.verb) {
    case Verb::Break:
    case Verb::TBreak: Breakpoint(c); break;
    case Verb::Watch: Watch(c); break;
    case Verb::Catch: Catch(c); break;
    case Verb::Delete:
      if (!c.count) {
        engine_.Points().Clear();
      } else if (!engine_.Points().Remove(static_cast<int>(*c.count))) {
        throw CommandError("no stop point " + std::to_string(*c.count));
      }
      break;
    case Verb::InfoBreakpoints: InfoBreakpoints(); break;
    case Verb::Continue: Go([&] { return engine_.Continue(Left(c.count)); }); break;
    case Verb::Step: Go([&] { return engine_.Step(Left(Or(c.count, 1))); }); break;
    case Verb::Next: Go([&] { return engine_.Next(Left()); }); break;
    case Verb::Finish: Go([&] { return engine_.Finish(Left()); }); break;
    case Verb::Until: Until(c); break;
    case Verb::Back: Stopped(engine_.Back(Or(c.count, 1))); break;
    case Verb::ReverseContinue: Stopped(engine_.ReverseContinue()); break;
    case Verb::SaveState: try { engine_.SaveSnapshotFile(c.argument);
      } catch (const std::exception& e) {
        throw CommandError(e.what());
      }
      std::fprintf(out_, "saved %s at steps %" PRIu64 "\n", c.argument.c_str(), Steps());
      break;
    case Verb::LoadState:
      LoadState(c.argument);
      std::fprintf(out_, "loaded %s: steps %" PRIu64 ", %s\n", c.argument.c_str(), Steps(),
                   InstructionLine(m_, symbols_, m_[reg::PC]).c_str());
      break;
    case Verb::Print:
      std::fprintf(out_, "%s = %s\n", c.value->Text().c_str(),
                   ValueText(evaluate(*c.value)).c_str());
      break;
    case Verb::Examine:
      std::fputs(WordsText(m_, symbols_, static_cast<std::uint16_t>(evaluate(*c.address)),
                           std::min<std::uint64_t>(Or(c.count, 8), 0x10000))
                     .c_str(),
                 out_);
      break;
    case Verb::Set: Set(c); break;
    case Verb::Regs: std::fputs(RegistersText(m_).c_str(), out_); break;
    case Verb::Disasm: {
      const auto a = c.address ? static_cast<std::uint16_t>(evaluate(*c.address)) : m_[reg::PC];
      std::fputs(DisassemblyText(m_, symbols_, a, std::min<std::uint64_t>(Or(c.count, 10), 0x10000))
                     .c_str(),
                 out_);
      break;
    }
    case Verb::History: History(Or(c.count, 20)); break;
    case Verb::Trace:
    case Verb::TraceOff: Trace(c); break;
    case Verb::Coverage: Coverage(c); break;
    case Verb::Click:
      if (!engine_.Click(c.argument)) throw CommandError("cannot click " + Shown(c.argument));
      std::fprintf(out_, "clicked %s at steps %" PRIu64 "\n", c.argument.c_str(), Steps());
      break;
    case Verb::Panel: std::fputs(PanelText(panel_).c_str(), out_); break;
    case Verb::Expect: {
      const Expr& e = *c.value;
      if (evaluate(e) != 0) break;
      expectFailed_ = true;
      std::string sides = ": the value is 0";
      const Node& root = e.Root();
      if (root.kind == Node::Kind::Binary) {
        const Machine now{m_, Steps()};
        sides = ": left " + ValueText(e.EvaluateNode(root.a, now)) + ", right " +
                ValueText(e.EvaluateNode(root.b, now));
      }
      std::fflush(out_);
      std::fprintf(errors_, "%sexpect failed: %s%s\n", where.c_str(), e.Text().c_str(),
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
    value = c.value->Evaluate(Machine{m_, Steps()});
    if (c.address->Root().kind != Node::Kind::Register)
      address = c.address->EvaluateOperand(Machine{m_, Steps()});
  } catch (const EvalError& e) {
    throw CommandError(e.what());
  }
  const Node& target = c.address->Root();
  const auto a = static_cast<std::uint16_t>(address);
  const auto next = static_cast<std::uint16_t>(a + 1);
  // All or nothing: every word is checked before the first is stored.
  if (target.kind != Node::Kind::Register) {
    if (!Storable(a)) throw CommandError("nothing to store into at " + Hex4(a));
    if (target.kind != Node::Kind::Word && !Storable(next))
      throw CommandError("nothing to store into at " + Hex4(next) + "; nothing stored");
  }
  SyncPeripherals(m_);
  switch (target.kind) {
    case Node::Kind::Register:
      m_[static_cast<int>(target.value)] = static_cast<std::uint16_t>(value);
      break;
    case Node::Kind::Word: StoreWord(m_, a, static_cast<std::uint16_t>(value)); break;
    default:
      StoreWord(m_, a, static_cast<std::uint16_t>(static_cast<std::uint64_t>(value) >> 16));
      StoreWord(m_, next, static_cast<std::uint16_t>(value));
      break;
  }
  if (m_.NotifyWord != 0) engine_.GetTarget().Handover(m_);
  engine_.MachineChanged();
}

void Session::InfoBreakpoints() {
  if (engine_.Points().All().empty()) {
    std::fputs("no stop points\n", out_);
    return;
  }
  static constexpr const char* kKinds[] = {"breakpoint", "watchpoint", "catchpoint"};
  for (const debug::Point& p : engine_.Points().All()) {
    std::string what = p.location;
    if (p.kind == debug::PointKind::Break) {
      what = Hex4(p.first);
      if (!p.location.empty() && p.location != what) what += " (" + p.location + ")";
    }
    std::fprintf(out_, "%-3d %-10s %s%s%s%s, hit %" PRIu64 " time%s\n", p.id,
                 kKinds[static_cast<int>(p.kind)], what.c_str(),
                 p.conditionText.empty() ? "" : " if ", p.conditionText.c_str(),
                 p.temporary ? " (temporary)" : "", p.hits, p.hits == 1 ? "" : "s");
  }
}

void Session::History(std::uint64_t count) {
  for (const std::string& line :
       debug::HistoryLines(engine_.GetHistory(count), count, m_, symbols_.Info())) {
    std::fprintf(out_, "%s\n", line.c_str());
  }
}

void Session::Stepped(const BoardState&, const debug::StepRecord& r) {
  switch (traceOnly_) {
    case TraceOnly::All: break;
    case TraceOnly::Calls:
      if (!IsCallOrReturn(r.op)) return;
      break;
    case TraceOnly::Io:
      if (r.accesses.empty()) return;
      break;
    case TraceOnly::Range:
      if (r.pc < traceFirst_ || r.pc > traceLast_) return;
      break;
  }
  std::fprintf(trace_->Stream(), "%" PRIu64 " %04X %04X %04X %s\n", r.step, r.pc, r.op, r.ext,
               Disassemble(r.op, r.ext, r.pc).text.c_str());
}

void Session::Trace(const Command& c) {
  std::string error;
  if (!CloseTrace(error)) throw CommandError(error);
  if (c.verb == Verb::TraceOff) return;
  auto trace = std::make_unique<fileio::Output>("trace", c.argument);
  if (!trace->Open(error)) throw CommandError(error);
  trace_ = std::move(trace);
  traceOnly_ = c.only;
  traceFirst_ = c.rangeFirst;
  traceLast_ = c.rangeLast;
  engine_.SetStepObserver(this, traceOnly_ == TraceOnly::Io);
}

}  // namespace kv74::mon

namespace kv74::mon {

void Session::StartCollecting(bool profile) {
  collector_ = std::make_unique<debug::Collector>(profile);
  engine_.SetCollector(collector_.get());
}

void Session::Coverage(const Command& c) {
  switch (c.coverage) {
    case CoverageAction::On:
    case CoverageAction::Profile:
      StartCollecting(c.coverage == CoverageAction::Profile);
      std::fprintf(out_, "counting from steps %" PRIu64 "%s\n", Steps(),
                   collector_->Profiling() ? " with the call tree" : "");
      return;
    case CoverageAction::Off:
      engine_.SetCollector(nullptr);
      std::fprintf(out_, "counting stopped at steps %" PRIu64 "\n", Steps());
      return;
    default: break;
  }
  if (!collector_) throw CommandError("nothing counted: coverage on or coverage profile first");
  if (symbols_.Info() == nullptr) throw CommandError("no debug information to write it with");
  if (c.coverage != CoverageAction::Lcov && !collector_->Profiling()) {
    throw CommandError("no call tree counted: coverage profile first");
  }
  const dbg::DebugInfo& info = *symbols_.Info();
  const std::string text =
      c.coverage == CoverageAction::Lcov        ? debug::LcovText(*collector_, info, m_)
      : c.coverage == CoverageAction::Callgrind ? debug::CallgrindText(*collector_, info, m_)
                                                : debug::FoldedText(*collector_, info, m_);
  try {
    debug::WriteReport(c.argument, text);
  } catch (const std::runtime_error& e) {
    throw CommandError(e.what());
  }
  std::fprintf(out_, "wrote %s\n", c.argument.c_str());
}

}  // namespace kv74::mon
