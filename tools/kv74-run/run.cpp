#include "run.hpp"

#include <algorithm>
#include <cinttypes>

#include "emu/cpu.hpp"
#include "emu/decode.hpp"
#include "emu/thread.hpp"

namespace kv74 {
namespace {

// Steps one at a time, checking the stop address and writing the trace. Returns false when the
// stop address was reached.
bool RunChecked(MachineState& m, ScriptedPanel& panel, const RunPlan& plan, RunResult& r,
                std::uint64_t until) {
  for (; r.steps < until; ++r.steps) {
    if (plan.untilPc && m[reg::PC] == *plan.untilPc) return false;
    Fetch(m);
    if (plan.trace) {
      std::fprintf(plan.trace, "%" PRIu64 " %04X %04X %04X %s\n", r.steps, m[reg::PC], m.opWord,
                   m.extWord, OpName(Decode(m.opWord)));
    }
    ExecuteStep(m);
    if (m.NotifyWord != 0) panel.Handover(m);
  }
  return true;
}

}  // namespace

RunResult RunMachine(MachineState& m, ScriptedPanel& panel, const RunPlan& plan) {
  RunResult r;
  const bool checked = plan.untilPc || plan.trace;
  auto clickDue = [&] {
    while (r.clicksDone < plan.clicks.size() && plan.clicks[r.clicksDone].step == r.steps) {
      panel.Click(plan.clicks[r.clicksDone++].name);
    }
  };
  clickDue();
  while (r.steps < plan.stepLimit) {
    std::uint64_t until = plan.stepLimit;
    if (r.clicksDone < plan.clicks.size()) until = std::min(until, plan.clicks[r.clicksDone].step);
    if (checked) {
      if (!RunChecked(m, panel, plan, r, until)) {
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
