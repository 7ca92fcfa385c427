#include "run_control.hpp"

#include <algorithm>
#include <cinttypes>

#include "emu/disasm.hpp"
#include "emu/run_checked.hpp"
#include "emu/tap.hpp"
#include "periph/schedule.hpp"

namespace kv74::mon {
namespace {

bool IsCallOrReturn(std::uint16_t op) { return IsCall(op) || Decode(op) == Op::Return; }

std::string Hex4(unsigned v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%04X", v & 0xFFFFu);
  return buf;
}

}  // namespace

bool IsCall(std::uint16_t op) {
  const Op form = Decode(op);
  return form == Op::CallTable || ((form == Op::JumpReg || form == Op::JumpAbs) && FieldD(op) == 2);
}

template <typename BusT>
struct RunControl::BusChecks {
  using Bus = BusT;
  static constexpr bool kTapped = std::is_same_v<BusT, TappedBus>;

  BusChecks(RunControl& rc, const RunRequest& request, std::uint64_t limit, AccessTap* tap)
      : rc(rc), request(request), limit(limit), tap(tap) {}

  RunControl& rc;
  const RunRequest& request;
  std::uint64_t limit;
  AccessTap* tap;
  std::string why;
  bool first = true;
  bool clickDue = false;
  std::array<std::uint16_t, reg::COUNT> before{};
  int requestLine = -1;
  std::uint32_t notified = 0;

  bool Holds(const StopPoint& p, MachineState& m) {
    if (!p.condition) return true;
    SyncPeripherals(m);
    try {
      return p.condition->Evaluate(mon::Machine{m, rc.steps_}) != 0;
    } catch (const EvalError& e) {
      why = "condition of stop point " + std::to_string(p.id) + " failed: " + e.what();
      return true;
    }
  }

  bool Hit(StopPoint& p, MachineState& m, const std::string& text) {
    if (!Holds(p, m)) return false;
    ++p.hits;
    if (why.empty()) why = text;
    return true;
  }

  bool Before(MachineState& m) {
    if (rc.steps_ >= limit) return false;
    if (rc.clicksDone_ < rc.inputClicks_.size() &&
        rc.inputClicks_[rc.clicksDone_].step <= rc.steps_) {
      clickDue = true;
      return false;
    }
    const std::uint16_t pc = m[reg::PC];
    if (!first) {
      if (request.goal == Goal::ReachAddress &&
          std::find(request.addresses.begin(), request.addresses.end(), pc) !=
              request.addresses.end()) {
        why = "reached " + Hex4(pc);
        return false;
      }
      for (StopPoint& p : rc.points_) {
        if (p.kind != StopPoint::Kind::Break ||
            std::find(p.addresses.begin(), p.addresses.end(), pc) == p.addresses.end())
          continue;
        if (Hit(p, m,
                (p.temporary ? "temporary breakpoint " : "breakpoint ") + std::to_string(p.id))) {
          if (p.temporary) rc.Delete(p.id);
          return false;
        }
      }
    }
    first = false;
    before = m.RegisterFile;
    before[reg::NOTIFY_LO] = 0;
    requestLine = -1;
    notified = 0;
    if constexpr (kTapped) tap->Forget();
    return true;
  }

  void Request(MachineState&, int line) { requestLine = line; }

  void Handover(MachineState& m) {
    notified |= m.NotifyWord;
    rc.panel_.Handover(m);
  }

  void Record(MachineState& m) {
    HistoryEntry e{rc.steps_ - 1, before[reg::PC], m.opWord, m.extWord};
    for (int w = 0; w < reg::NOTIFY_LO; ++w) {
      if (m[w] == before[static_cast<std::size_t>(w)] || w == reg::PC) continue;
      if (e.changes < HistoryEntry::MAX_CHANGES) {
        e.changed[e.changes] = {static_cast<std::uint8_t>(w), m[w]};
      }
      ++e.changes;
    }
    if (rc.history_.size() < HISTORY) {
      rc.history_.push_back(e);
    } else {
      rc.history_[rc.historyNext_] = e;
      rc.historyNext_ = (rc.historyNext_ + 1) % HISTORY;
    }
  }

  void Trace(const MachineState& m, bool io) {
    const std::uint16_t pc = before[reg::PC];
    switch (rc.traceOnly_) {
      case TraceOnly::All: break;
      case TraceOnly::Calls:
        if (!IsCallOrReturn(m.opWord)) return;
        break;
      case TraceOnly::Io:
        if (!io) return;
        break;
      case TraceOnly::Range:
        if (pc < rc.traceFirst_ || pc > rc.traceLast_) return;
        break;
    }
    std::fprintf(rc.trace_, "%" PRIu64 " %04X %04X %04X %s\n", rc.steps_ - 1, pc, m.opWord,
                 m.extWord, Disassemble(m.opWord, m.extWord, pc).text.c_str());
  }

  void CheckCatchpoints(MachineState& m) {
    const std::uint16_t raised =
        m[reg::FAULTS] & static_cast<std::uint16_t>(~before[reg::FAULTS]) & fault::FAULT_MASK;
    for (StopPoint& p : rc.points_) {
      if (p.kind != StopPoint::Kind::Catch) continue;
      switch (p.catchKind) {
        case CatchKind::Request:
          if (requestLine >= 0 && (!p.which || *p.which == static_cast<unsigned>(requestLine)))
            Hit(p, m,
                "catchpoint " + std::to_string(p.id) + ": request line " +
                    std::to_string(requestLine) + " entered");
          break;
        case CatchKind::Fault: {
          const unsigned bits = raised & (p.which ? 1u << *p.which : fault::FAULT_MASK);
          if (bits)
            Hit(p, m,
                "catchpoint " + std::to_string(p.id) + ": fault bits " + Hex4(bits) + " raised");
          break;
        }
        case CatchKind::Handover: {
          const std::uint32_t bits = notified & (p.which ? 1u << *p.which : 0xFFFFFFFFu);
          if (bits) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%08X", bits);
            Hit(p, m, "catchpoint " + std::to_string(p.id) + ": hand-over of " + buf);
          }
          break;
        }
      }
    }
  }

  void CheckWatchpoints(MachineState& m) {
    for (const kv74::Access& a : tap->Accesses()) {
      for (StopPoint& p : rc.points_) {
        if (p.kind != StopPoint::Kind::Watch || a.address < p.first || a.address > p.last) continue;
        if (a.write ? p.access == Access::Read : p.access == Access::Write) continue;
        const std::string text =
            "watchpoint " + std::to_string(p.id) + ": " +
            (a.write ? "write [" + Hex4(a.address) + "] " + std::to_string(a.before) + " -> " +
                           std::to_string(a.after)
                     : "read [" + Hex4(a.address) + "] = " + std::to_string(a.before)) +
            " by " + Hex4(before[reg::PC]);
        Hit(p, m, text);
      }
    }
  }

  bool After(MachineState& m) {
    ++rc.steps_;
    Record(m);
    bool io = false;
    if constexpr (kTapped) {
      for (const kv74::Access& a : tap->Accesses()) io = io || a.address >= IO_BASE;
      CheckWatchpoints(m);
    }
    if (rc.trace_) Trace(m, io);
    CheckCatchpoints(m);
    switch (request.goal) {
      case Goal::ReturnTo:
        if (m[reg::PC] == request.pc && m[reg::SP] == request.sp && why.empty()) why = "returned";
        break;
      case Goal::StackBelow:
        if (m[reg::SP] < request.sp && why.empty()) why = "returned";
        break;
      default: break;
    }
    return why.empty();
  }
};

RunControl::RunControl(MachineState& m, RunnerPanel& panel,
                       std::span<const ScriptClick> inputClicks)
    : m_(m), panel_(panel), inputClicks_(inputClicks) {}

RunControl::~RunControl() = default;

int RunControl::Add(StopPoint point) {
  point.id = nextId_++;
  points_.push_back(std::move(point));
  return points_.back().id;
}

bool RunControl::Delete(int id) {
  const auto it =
      std::find_if(points_.begin(), points_.end(), [id](const StopPoint& p) { return p.id == id; });
  if (it == points_.end()) return false;
  points_.erase(it);
  return true;
}

void RunControl::Click(std::string_view name) { panel_.Click(name); }

void RunControl::SetTrace(std::FILE* file, TraceOnly only, std::uint16_t first,
                          std::uint16_t last) {
  trace_ = file;
  traceOnly_ = only;
  traceFirst_ = first;
  traceLast_ = last;
}

std::string RunControl::Run(const RunRequest& request) {
  const std::uint64_t limit =
      request.maxSteps > UINT64_MAX - steps_ ? UINT64_MAX : steps_ + request.maxSteps;
  const bool tapped = (trace_ && traceOnly_ == TraceOnly::Io) ||
                      std::any_of(points_.begin(), points_.end(), [](const StopPoint& p) {
                        return p.kind == StopPoint::Kind::Watch;
                      });
  AccessTap tap;
  for (const StopPoint& p : points_) {
    if (p.kind == StopPoint::Kind::Watch) tap.Mark(p.first, p.last);
  }
  if (trace_ && traceOnly_ == TraceOnly::Io) tap.Mark(IO_BASE, IO_BASE + IO_SIZE - 1);
  AccessTap* const saved = threadTap;
  threadTap = &tap;
  auto loop = [&](auto& checks) {
    for (;;) {
      while (clicksDone_ < inputClicks_.size() && inputClicks_[clicksDone_].step <= steps_) {
        panel_.Click(inputClicks_[clicksDone_++].name);
      }
      checks.clickDue = false;
      RunScheduledChecked(m_, checks);
      if (!checks.clickDue) return checks.why;
    }
  };
  std::string why;
  if (tapped) {
    BusChecks<TappedBus> checks{*this, request, limit, &tap};
    why = loop(checks);
  } else {
    BusChecks<PlainBus> checks{*this, request, limit, &tap};
    why = loop(checks);
  }
  threadTap = saved;
  // Clicks due at the step where the run ended are made now, as a plain run makes them.
  while (clicksDone_ < inputClicks_.size() && inputClicks_[clicksDone_].step <= steps_) {
    panel_.Click(inputClicks_[clicksDone_++].name);
  }
  return why;
}

}  // namespace kv74::mon
