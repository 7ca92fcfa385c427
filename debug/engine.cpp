#include "debug/engine.hpp"

#include <algorithm>

#include "board/step.hpp"
#include "cpu/decode.hpp"
#include "debug/checkpoint.hpp"

namespace kv74::debug {
namespace {
constexpr int kPause = 1;
constexpr int kPosted = 2;
}  // namespace

Engine::Engine(BoardState& m, Target& target, EngineOptions options)
    : m_(m), target_(target), receiver_(target), options_(options), history_(options.historySize) {
  if (options_.checkpointInterval == 0) options_.checkpointInterval = 1;
  if (options_.checkpointCount == 0) options_.reverse = false;
}

Engine::~Engine() = default;

void Engine::RequestPause() { attention_.fetch_or(kPause, std::memory_order_acq_rel); }

void Engine::CancelPause() { attention_.fetch_and(~kPause, std::memory_order_acq_rel); }

void Engine::PostClick(std::string name) {
  clicks_.Post(std::move(name));
  attention_.fetch_or(kPosted, std::memory_order_acq_rel);
}

void Engine::SetSchedule(std::vector<ClickEvent> clicks) {
  clicks_.SetSchedule(std::move(clicks), arrivedAt_ == steps_ ? steps_ + 1 : steps_);
}

void Engine::TrackCalls(bool on) {
  if (on && !trackCalls_) calls_.Clear();
  trackCalls_ = on;
}

void Engine::SetCollector(Collector* c) {
  if (c != nullptr && c->Profiling() && !trackCalls_) calls_.Clear();
  collector_ = c;
  if (c != nullptr) c->Adopt(calls_.Frames());
}

void Engine::RecordHistory(bool on) {
  if (on && !recordHistory_) history_.Clear();
  recordHistory_ = on;
  historyTo_ = FOREVER;
}

// The run takes another way from here: the recorded clicks and checkpoints after this step go.
void Engine::Fork() {
  if (steps_ >= frontier_) return;
  clicks_.TruncateAfter(steps_);
  while (!checkpoints_.empty() && checkpoints_.back().step > steps_) checkpoints_.pop_back();
  frontier_ = steps_;
}

void Engine::ApplyClick(std::string_view name, bool logIt) {
  target_.Click(name);
  if (!logIt) return;
  clicks_.Append(steps_, std::string(name));
  // A checkpoint of this step was taken before the click: take it again.
  if (!checkpoints_.empty() && checkpoints_.back().step == steps_) {
    checkpoints_.pop_back();
    TakeCheckpoint();
  }
}

bool Engine::Click(std::string_view name) {
  if (!target_.IsClickable(name)) return false;
  Arrive(false);
  Fork();
  ApplyClick(name, true);
  return true;
}

// At a step boundary: the clicks due here (from the log while the run retraces its recorded
// part, else from the schedule), a checkpoint when one is due, then the posted clicks.
void Engine::Arrive(bool takePosted) {
  if (arrivedAt_ != steps_) {
    arrivedAt_ = steps_;
    std::vector<std::string> scheduled = clicks_.TakeScheduled(steps_);
    if (recorded_ && steps_ <= frontier_) {
      for (const std::string& name : clicks_.LoggedAt(steps_)) {
        if (target_.IsClickable(name)) ApplyClick(name, false);
      }
    } else {
      frontier_ = steps_;
      recorded_ = true;
      for (const std::string& name : scheduled) {
        if (target_.IsClickable(name)) ApplyClick(name, true);
      }
    }
    if (options_.reverse && (checkpoints_.empty() ||
                             steps_ >= checkpoints_.back().step + options_.checkpointInterval)) {
      TakeCheckpoint();
    }
  }
  if (takePosted && (attention_.load(std::memory_order_acquire) & kPosted) != 0) {
    attention_.fetch_and(~kPosted, std::memory_order_acq_rel);
    std::vector<std::string> posted = clicks_.TakePosted();
    if (!posted.empty()) Fork();
    for (const std::string& name : posted) {
      if (target_.IsClickable(name)) ApplyClick(name, true);
    }
  }
}

std::uint64_t Engine::NextBoundary() const {
  std::uint64_t b = std::min(clicks_.NextScheduled(), clicks_.NextLoggedAfter(steps_));
  if (options_.reverse && !checkpoints_.empty()) {
    b = std::min(b, checkpoints_.back().step + options_.checkpointInterval);
  }
  return std::max(b, steps_ + 1);
}

StopReason Engine::Make(StopKind kind) const {
  StopReason r;
  r.kind = kind;
  r.step = steps_;
  r.pc = m_[reg::PC];
  return r;
}

void Engine::Finalize(const StopReason& r) {
  if (r.point != 0) points_.Stopped(r.point);
}

StopReason Engine::Go(const Goal& g) {
  if (!g.record) historyTo_ = FOREVER;
  Arrive(!g.replay);
  bool first = g.resume;
  for (;;) {
    if (steps_ >= g.end) return Make(g.done);
    if (!g.replay && (attention_.load(std::memory_order_acquire) & kPause) != 0) {
      attention_.fetch_and(~kPause, std::memory_order_acq_rel);
      return Make(StopKind::Pause);
    }
    const std::uint64_t end = std::min(g.end, NextBoundary());
    const bool profiling = collector_ != nullptr && collector_->Profiling();
    const bool checked = g.mode != Mode::Plain || g.search ||
                         (!g.replay && (points_.AnyActive() || RecordsLive() ||
                                        observer_ != nullptr || profiling)) ||
                         g.record;
    StopReason stop;
    bool stopped = false;
    if (checked) {
      stopped = RunChecked(g, end, first, stop, nullptr);
    } else {
      RunPlain(end, !g.replay, g.replay ? nullptr : collector_);
    }
    first = false;
    Arrive(!g.replay);
    if (stopped) {
      Finalize(stop);
      return stop;
    }
  }
}

namespace {
// The step count maxSteps after steps, FOREVER when past it.
std::uint64_t EndAfter(std::uint64_t steps, std::uint64_t maxSteps) {
  return maxSteps >= Engine::FOREVER - steps ? Engine::FOREVER : steps + maxSteps;
}
}  // namespace

StopReason Engine::Continue(std::uint64_t maxSteps, bool resume) {
  Goal g;
  g.end = EndAfter(steps_, maxSteps);
  g.resume = resume;
  return Go(g);
}

StopReason Engine::Step(std::uint64_t n) { return Continue(n); }

namespace {
// The address a call at pc returns to, or 0 when the instruction there is no call.
std::uint16_t ReturnAddressOfCall(BoardState& m, std::uint16_t pc) {
  const std::uint16_t op = PeekWord(m, pc);
  if (!Collector::IsCall(Decode(op), op)) return 0;
  return static_cast<std::uint16_t>(pc + InstructionLength(op));
}
}  // namespace

StopReason Engine::Next(std::uint64_t maxSteps) {
  const std::uint16_t back = ReturnAddressOfCall(m_, m_[reg::PC]);
  if (back == 0) {
    StopReason r = Continue(std::min<std::uint64_t>(maxSteps, 1));
    if (r.kind == StopKind::Done) r.kind = StopKind::StepOver;
    return r;
  }
  Goal g;
  g.mode = Mode::Over;
  g.address = back;
  g.sp = m_[reg::SP];
  g.end = EndAfter(steps_, maxSteps);
  return Go(g);
}

StopReason Engine::Finish(std::uint64_t maxSteps) {
  Goal g;
  g.end = EndAfter(steps_, maxSteps);
  g.mode = Mode::Out;
  g.sp = trackCalls_ && !calls_.Frames().empty() ? calls_.Frames().back().sp : m_[reg::SP];
  return Go(g);
}

StopReason Engine::RunTo(std::uint16_t address, std::uint64_t maxSteps) {
  Goal g;
  g.mode = Mode::To;
  g.address = address;
  g.end = EndAfter(steps_, maxSteps);
  return Go(g);
}

}  // namespace kv74::debug
