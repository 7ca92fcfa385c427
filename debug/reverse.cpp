// Reverse execution: checkpoints, going back N steps, and the search for the previous point hit.
#include "debug/checkpoint.hpp"
#include "debug/machine_codec.hpp"

namespace kv74::debug {

void Engine::TakeCheckpoint() {
  Checkpoint c;
  c.step = steps_;
  if (checkpoints_.size() >= options_.checkpointCount) {
    c.machine = std::move(checkpoints_.front().machine);  // reuse the oldest one's memory
    checkpoints_.pop_front();
  } else {
    c.machine = std::make_unique<BoardState>();
  }
  CopyMachine(*c.machine, m_);
  c.panel = target_.SavePanel();
  c.schedulePosition = clicks_.SchedulePosition();
  c.frames = calls_.Frames();
  checkpoints_.push_back(std::move(c));
}

void Engine::MachineChanged() {
  Arrive(false);
  Fork();
  checkpoints_.clear();
  history_.Clear();
  historyTo_ = FOREVER;
  if (options_.reverse) TakeCheckpoint();
}

void Engine::SetReverse(bool on) {
  on = on && options_.checkpointCount > 0;
  if (on == options_.reverse) return;
  options_.reverse = on;
  checkpoints_.clear();
  history_.Clear();
  historyTo_ = FOREVER;
  if (on) TakeCheckpoint();
}

const Engine::Checkpoint* Engine::CheckpointAtOrBefore(std::uint64_t step) const {
  for (auto it = checkpoints_.rbegin(); it != checkpoints_.rend(); ++it) {
    if (it->step <= step) return &*it;
  }
  return nullptr;
}

std::uint64_t Engine::OldestReachable() const {
  return checkpoints_.empty() ? steps_ : checkpoints_.front().step;
}

void Engine::Restore(const Checkpoint& c) {
  target_.RestorePanel(c.panel);
  CopyMachine(m_, *c.machine);
  steps_ = c.step;
  arrivedAt_ = c.step;
  clicks_.SetSchedulePosition(c.schedulePosition);
  calls_.Clear();
  for (const Frame& f : c.frames) calls_.Push(f);
}

// Forward from the newest checkpoint at or before `step`, with the logged clicks.
void Engine::ReplayTo(std::uint64_t step) {
  Restore(*CheckpointAtOrBefore(step));
  Goal g;
  g.end = step;
  g.replay = true;
  Go(g);
}

const History& Engine::GetHistory(std::size_t last) {
  if (!recordHistory_) {
    history_.Clear();
    return history_;
  }
  if (!options_.reverse || checkpoints_.empty()) return history_;  // recorded as it ran
  Arrive(false);
  const std::uint64_t now = steps_;
  const std::uint64_t reach = now - std::min(now, OldestReachable());
  const std::uint64_t from = now - std::min<std::uint64_t>({last, history_.Capacity(), reach});
  if (historyTo_ == now && historyFrom_ <= from) return history_;
  ReplayTo(from);
  history_.Clear();
  Goal g;
  g.end = now;
  g.replay = true;
  g.record = true;
  Go(g);
  historyFrom_ = from;
  historyTo_ = now;
  return history_;
}

StopReason Engine::Back(std::uint64_t n) {
  Arrive(false);
  const std::uint64_t target = steps_ - std::min(n, steps_);
  if (checkpoints_.empty() || target < checkpoints_.front().step) {
    if (!checkpoints_.empty()) ReplayTo(checkpoints_.front().step);
    return Make(StopKind::HistoryEnd);
  }
  ReplayTo(target);
  return Make(StopKind::Reverse);
}

// Interval by interval backwards from the current step: each is run forward with the points
// armed but not stopping, and the last hit before the end of the interval is the answer.
StopReason Engine::ReverseContinue() {
  Arrive(false);
  std::uint64_t end = steps_;
  for (std::size_t i = checkpoints_.size(); i-- > 0;) {
    const Checkpoint& c = checkpoints_[i];
    if (c.step >= end) continue;
    Restore(c);
    Goal g;
    g.end = end;
    g.search = true;
    g.replay = true;
    Hit hit;
    while (steps_ < end) {
      StopReason unused;
      RunChecked(g, std::min(end, NextBoundary()), false, unused, &hit);
      Arrive(false);
    }
    if (hit.found) {
      ReplayTo(hit.reason.step);
      StopReason r = hit.reason;
      r.pc = m_[reg::PC];
      return r;
    }
    end = c.step + 1;  // a hit at the checkpoint's own step belongs to the earlier interval
  }
  if (!checkpoints_.empty()) ReplayTo(checkpoints_.front().step);
  return Make(StopKind::HistoryEnd);
}

}  // namespace kv74::debug
