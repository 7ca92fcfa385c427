#include "run.hpp"

#include <algorithm>
#include <cerrno>
#include <cinttypes>

#include "board/step.hpp"
#include "board/thread.hpp"
#include "cpu/decode.hpp"

namespace kv74 {
namespace {

struct TraceState {
  std::FILE* file;  // null once tracing stopped
  std::uint64_t bytes = 0;
};

void TraceLine(const BoardState& m, const RunPlan& plan, RunResult& r, TraceState& t) {
  char line[96];
  const int n = std::snprintf(line, sizeof line, "%" PRIu64 " %04X %04X %04X %s\n", r.steps,
                              m[reg::PC], m.opWord, m.extWord, OpName(Decode(m.opWord)));
  const auto size = static_cast<std::size_t>(n);
  if (plan.traceLimit != 0 && t.bytes + size > plan.traceLimit) {
    r.traceStoppedAt = r.steps;
    t.file = nullptr;
    return;
  }
  if (std::fwrite(line, 1, size, t.file) != size) {
    r.traceError = errno != 0 ? errno : EIO;
    t.file = nullptr;
    return;
  }
  t.bytes += size;
}

// Steps one at a time, checking the stop address and writing the trace. Returns false when the
// stop address was reached.
bool RunChecked(BoardState& m, ScriptedPanel& panel, const RunPlan& plan, RunResult& r,
                TraceState& t, std::uint64_t until) {
  for (; r.steps < until; ++r.steps) {
    if (plan.untilPc && m[reg::PC] == *plan.untilPc) return false;
    Fetch(m);
    if (t.file) TraceLine(m, plan, r, t);
    ExecuteStep(m);
    if (m.NotifyWord != 0) panel.Handover(m);
    if (!t.file && !plan.untilPc) {
      ++r.steps;  // tracing stopped: the rest runs unchecked
      break;
    }
  }
  return true;
}

}  // namespace

RunResult RunMachine(BoardState& m, ScriptedPanel& panel, const RunPlan& plan) {
  RunResult r;
  TraceState trace{plan.trace};
  auto clickDue = [&] {
    while (r.clicksDone < plan.clicks.size() && plan.clicks[r.clicksDone].step == r.steps) {
      panel.Click(plan.clicks[r.clicksDone++].name);
    }
  };
  clickDue();
  while (r.steps < plan.stepLimit) {
    std::uint64_t until = plan.stepLimit;
    if (r.clicksDone < plan.clicks.size()) until = std::min(until, plan.clicks[r.clicksDone].step);
    if (plan.untilPc || trace.file) {
      if (!RunChecked(m, panel, plan, r, trace, until)) {
        r.stoppedAtPc = true;
        return r;
      }
    } else {
      RunSteps(m, until - r.steps, panel);
      r.steps = until;
    }
    clickDue();
  }
  r.stoppedAtPc = plan.untilPc && m[reg::PC] == *plan.untilPc;
  return r;
}

}  // namespace kv74
