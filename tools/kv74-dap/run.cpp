// Running: each run request answers at once, then runs in slices (serving the input between them)
// until a point, the step's goal, a pause or the run limit stops it, and says so in a "stopped"
// event. Step over and step out are slices of run-to-address with a stack check, the same goals as
// the engine's Next and Finish, so they too can be paused.
#include <cinttypes>

#include "adapter.hpp"
#include "cpu/decode.hpp"
#include "monitor/expr.hpp"

namespace kv74::dap {

void Adapter::Continue(const Json& r, const Args&) {
  Reply(r, {{"allThreadsContinued", true}});
  Go(RunKind::Continue);
}
void Adapter::Next(const Json& r, const Args&) {
  Reply(r);
  Go(RunKind::Next);
}
void Adapter::StepIn(const Json& r, const Args&) {
  Reply(r);
  Go(RunKind::StepIn);
}
void Adapter::StepOut(const Json& r, const Args&) {
  Reply(r);
  Go(RunKind::StepOut);
}
void Adapter::StepBack(const Json& r, const Args&) {
  Reply(r);
  Go(RunKind::StepBack, 1);
}
void Adapter::ReverseContinue(const Json& r, const Args&) {
  Reply(r);
  Go(RunKind::ReverseContinue);
}

void Adapter::Pause(const Json& r, const Args&) {
  Reply(r);
  if (running_) {
    pauseWanted_ = true;
  } else {
    StoppedAt("pause", "already stopped");
  }
}

void Adapter::Go(RunKind kind, std::uint64_t count) {
  running_ = true;
  pauseWanted_ = false;
  debug::StopReason stop;
  try {
    stop = RunSliced(kind, count);
  } catch (...) {
    running_ = false;
    throw;
  }
  running_ = false;
  Stopped(stop);
}

namespace {
// The address a call at pc returns to, or nothing when the instruction there is no call.
std::optional<std::uint16_t> ReturnOfCall(const BoardState& m, std::uint16_t pc) {
  const std::uint16_t op = mon::PeekWord(m, pc);
  const Op form = Decode(op);
  if (form == Op::CallTable || ((form == Op::JumpReg || form == Op::JumpAbs) && FieldD(op) == 2))
    return static_cast<std::uint16_t>(pc + InstructionLength(op));
  return std::nullopt;
}
}  // namespace

debug::StopReason Adapter::RunSliced(RunKind kind, std::uint64_t count) {
  debug::Engine& e = B().E();
  BoardState& m = B().M();
  switch (kind) {
    case RunKind::StepIn: return e.Step(1);
    case RunKind::StepBack: return e.Back(count);
    case RunKind::ReverseContinue: return e.ReverseContinue();
    case RunKind::Next:
      if (const auto back = ReturnOfCall(m, m[reg::PC])) {
        goalPc_ = *back;
        goalSp_ = m[reg::SP];
      } else {
        debug::StopReason r = e.Step(1);
        if (r.kind == debug::StopKind::Done) r.kind = debug::StopKind::StepOver;
        return r;
      }
      break;
    case RunKind::StepOut: {
      const auto& frames = e.Calls().Frames();
      if (frames.empty()) {
        kind = RunKind::Continue;  // the outermost code never returns: run on
      } else {
        goalPc_ = frames.back().returnPc;
        goalSp_ = frames.back().sp;
      }
      break;
    }
    case RunKind::Continue:
    case RunKind::RunTo: break;
  }
  const std::uint64_t start = e.Steps();
  for (bool first = true;; first = false) {
    const bool stackGoal = kind == RunKind::Next || kind == RunKind::StepOut;
    if (!first && stackGoal && m[reg::PC] == goalPc_) {
      debug::StopReason r;
      if (kind == RunKind::Next && m[reg::SP] <= goalSp_) r.kind = debug::StopKind::StepOver;
      if (kind == RunKind::StepOut && m[reg::SP] < goalSp_) r.kind = debug::StopKind::StepOut;
      if (r.kind != debug::StopKind::Done) {
        r.step = e.Steps();
        r.pc = m[reg::PC];
        return r;
      }
    }
    const std::uint64_t ran = e.Steps() - start;
    if (ran >= count) {
      debug::StopReason r;
      r.step = e.Steps();
      r.pc = m[reg::PC];
      return r;
    }
    if (pauseWanted_ || ran >= options_.runLimit) {
      debug::StopReason r;
      r.kind = debug::StopKind::Pause;
      r.step = e.Steps();
      r.pc = m[reg::PC];
      return r;
    }
    const std::uint64_t budget = std::min({options_.slice, options_.runLimit - ran, count - ran});
    const debug::StopReason r =
        kind == RunKind::Continue ? e.Continue(budget) : e.RunTo(goalPc_, budget);
    if (r.kind != debug::StopKind::Done && (r.kind != debug::StopKind::RunTo || !stackGoal))
      return r;
    if (r.kind == debug::StopKind::Done) ServeWhileRunning();
  }
}

void Adapter::ServeWhileRunning() {
  while (std::optional<Frame> f = poll_ ? poll_() : std::nullopt) {
    if (EndsSession(*f)) {
      // Handled once the run has stopped; the run stops now.
      deferred_.push_back(std::move(*f));
      pauseWanted_ = true;
      return;
    }
    Handle(*f);
  }
}

void Adapter::StoppedAt(const char* reason, const std::string& description) {
  send_(Event("stopped", {{"reason", reason},
                          {"description", description},
                          {"threadId", 1},
                          {"allThreadsStopped", true}}));
}

void Adapter::Stopped(const debug::StopReason& stop) {
  std::string description = debug::Describe(stop);
  if (const std::string error = B().session->TakeConditionError(); !error.empty())
    description += " (" + error + ")";
  const char* reason = "step";
  Json hit = Json::array();
  switch (stop.kind) {
    case debug::StopKind::Breakpoint:
    case debug::StopKind::Watchpoint:
    case debug::StopKind::Catch:
      if (const auto owner = book_->OwnerOf(stop.point)) {
        reason = owner->reason;
        hit.push_back(owner->id);
      } else {
        reason = stop.kind == debug::StopKind::Breakpoint   ? "breakpoint"
                 : stop.kind == debug::StopKind::Watchpoint ? "data breakpoint"
                                                            : "exception";
      }
      break;
    case debug::StopKind::Pause: reason = "pause"; break;
    default: break;
  }
  Json body = {{"reason", reason},
               {"description", description},
               {"text", description},
               {"threadId", 1},
               {"allThreadsStopped", true}};
  if (!hit.empty()) body["hitBreakpointIds"] = hit;
  send_(Event("stopped", body));
  const std::string where = B().Symbols().Where(stop.pc);
  char line[80];
  std::snprintf(line, sizeof line, ", steps %" PRIu64 ", at 0x%04X ", B().E().Steps(), stop.pc);
  Output(description + line + where + "\n");
}

}  // namespace kv74::dap
