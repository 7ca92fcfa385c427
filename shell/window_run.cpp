#include "shell/window_run.hpp"

#include <algorithm>

#include "emu/thread.hpp"

namespace kv74::shell {

using Clock = Pacer::Clock;

WindowRun::WindowRun(MachineState& m, HandoverReceiver& handover, ClickSink& clicks)
    : m_(m), handover_(handover), clicks_(clicks) {}

WindowRun::~WindowRun() {
  if (!thread_.joinable()) return;
  RequestStop();
  thread_.join();
}

void WindowRun::SetScript(std::vector<TimedClick> clicks) { script_ = std::move(clicks); }

void WindowRun::SetExitAt(std::uint64_t steps, std::function<void()> reached) {
  exitAt_ = steps;
  exitReached_ = std::move(reached);
}

void WindowRun::SetRecorder(std::function<void(std::uint64_t, const std::string&)> recorder) {
  recorder_ = std::move(recorder);
}

void WindowRun::Start(bool paused) {
  if (thread_.joinable()) return;
  pauseRequested_ = paused;
  Publish();
  thread_ = std::thread([this] { Body(); });
}

void WindowRun::SetSpeed(double factor) {
  std::lock_guard lock(mutex_);
  speed_.store(factor, std::memory_order_relaxed);
  speedChanged_ = true;
  wake_.notify_all();
}

void WindowRun::Pause() {
  std::lock_guard lock(mutex_);
  pauseRequested_ = true;
  stepBudget_.reset();
  wake_.notify_all();
}

void WindowRun::Resume() {
  std::lock_guard lock(mutex_);
  pauseRequested_ = false;
  stepBudget_.reset();
  wake_.notify_all();
}

void WindowRun::StepBy(std::uint64_t n) {
  std::lock_guard lock(mutex_);
  pauseRequested_ = true;
  stepBudget_ = n;
  wake_.notify_all();
}

void WindowRun::PostClick(std::string name) {
  std::lock_guard lock(mutex_);
  posted_.push_back(std::move(name));
}

void WindowRun::RequestStop() {
  std::lock_guard lock(mutex_);
  int expected = RUN;
  runFlag_.compare_exchange_strong(expected, STOP, std::memory_order_acq_rel);
  wake_.notify_all();
}

void WindowRun::RunAtBoundary(const std::function<void()>& fn, const std::function<void()>& serve) {
  if (!Started() || Finished()) {
    fn();
    return;
  }
  {
    std::lock_guard lock(mutex_);
    requestDone_.store(false, std::memory_order_relaxed);
    request_ = &fn;
    wake_.notify_all();
  }
  while (!requestDone_.load(std::memory_order_acquire)) {
    if (Finished()) {
      std::unique_lock lock(mutex_);
      if (request_ == &fn) {  // the thread ended before it came to it
        request_ = nullptr;
        lock.unlock();
        fn();
        return;
      }
    }
    if (serve) serve();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

void WindowRun::ServeRequest(std::unique_lock<std::mutex>&) {
  if (request_ == nullptr) return;
  (*request_)();
  request_ = nullptr;
  requestDone_.store(true, std::memory_order_release);
}

void WindowRun::MakeDueClicks(bool takePosted) {
  auto make = [this](const std::string& name) {
    if (recorder_) recorder_(steps_, name);
    clicks_.ApplyClick(name);
  };
  while (scriptNext_ < script_.size() && script_[scriptNext_].step <= steps_)
    make(script_[scriptNext_++].name);
  if (!takePosted) return;
  // One of the user's clicks per block: the firmware reads the keyboard register once per pass,
  // so keys typed faster than the blocks run (or while paused) still arrive one by one.
  std::string name;
  {
    std::lock_guard lock(mutex_);
    if (posted_.empty()) return;
    name = std::move(posted_.front());
    posted_.pop_front();
  }
  make(name);
}

bool WindowRun::WaitWhileStill() {
  std::unique_lock lock(mutex_);
  for (;;) {
    ServeRequest(lock);
    if (runFlag_.load(std::memory_order_acquire) == STOP) return false;
    const bool atExit = exitDone_;
    const bool pausing = pauseRequested_ && (!stepBudget_ || *stepBudget_ == 0);
    if (!atExit && !pausing) break;
    if (stepBudget_ && *stepBudget_ == 0) stepBudget_.reset();
    if (!paused_.load(std::memory_order_relaxed)) {
      Publish();
      paused_.store(true, std::memory_order_release);
    }
    wake_.wait(lock, [this] {
      return runFlag_.load(std::memory_order_acquire) == STOP || request_ != nullptr ||
             (!exitDone_ && (!pauseRequested_ || (stepBudget_ && *stepBudget_ > 0)));
    });
  }
  if (paused_.load(std::memory_order_relaxed)) {
    paused_.store(false, std::memory_order_release);
    pacer_.Restart(steps_, Clock::now());
  }
  if (speedChanged_) {
    speedChanged_ = false;
    pacer_.SetFactor(speed_.load(std::memory_order_relaxed), steps_, Clock::now());
  }
  return true;
}

std::uint64_t WindowRun::NextBlock() {
  std::uint64_t n = pacer_.BlockSteps(kUnpacedBlock);
  if (scriptNext_ < script_.size()) n = std::min(n, script_[scriptNext_].step - steps_);
  if (exitAt_ && !exitDone_) n = std::min(n, *exitAt_ - steps_);
  std::lock_guard lock(mutex_);
  if (stepBudget_) n = std::min(n, *stepBudget_);
  return n;
}

void WindowRun::Body() {
  pacer_.SetFactor(speed_.load(std::memory_order_relaxed), steps_, Clock::now());
  for (;;) {
    MakeDueClicks(false);
    if (exitAt_ && !exitDone_ && steps_ >= *exitAt_) {
      exitDone_ = true;
      Publish();
      if (exitReached_) exitReached_();
    }
    if (!WaitWhileStill()) break;
    MakeDueClicks(true);
    const std::uint64_t n = NextBlock();
    if (n == 0) continue;
    RunSteps(m_, n, handover_);
    steps_ += n;
    Publish();
    std::unique_lock lock(mutex_);
    if (stepBudget_) {
      *stepBudget_ -= n;
      continue;
    }
    if (!pacer_.Paced()) continue;
    const Clock::time_point due = pacer_.DueTime(steps_, Clock::now());
    wake_.wait_until(lock, due, [this] {
      return runFlag_.load(std::memory_order_acquire) == STOP || request_ != nullptr ||
             speedChanged_ || pauseRequested_;
    });
  }
  {
    std::unique_lock lock(mutex_);
    ServeRequest(lock);
  }
  Publish();
  runFlag_.store(FINISHED, std::memory_order_release);
}

}  // namespace kv74::shell
