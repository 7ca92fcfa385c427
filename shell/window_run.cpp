#include "shell/window_run.hpp"

#include <algorithm>

namespace kv74::shell {

using Clock = Pacer::Clock;

namespace {

// Without the debugger the window goes forward only: no checkpoints for going back, no history.
debug::EngineOptions WindowEngineOptions(bool reverse) {
  debug::EngineOptions o;
  o.reverse = reverse;
  o.historySize = 0;
  return o;
}

bool IsPointStop(debug::StopKind k) {
  return k == debug::StopKind::Breakpoint || k == debug::StopKind::Watchpoint ||
         k == debug::StopKind::Catch;
}

}  // namespace

WindowRun::WindowRun(BoardState& m, debug::Target& target, bool reverse)
    : engine_(m, target, WindowEngineOptions(reverse)) {}

WindowRun::~WindowRun() {
  if (!thread_.joinable()) return;
  RequestStop();
  thread_.join();
}

void WindowRun::SetScript(std::vector<debug::ClickEvent> clicks) {
  engine_.SetSchedule(std::move(clicks));
}

void WindowRun::LoadSnapshotFile(const std::filesystem::path& file) {
  engine_.LoadSnapshotFile(file);
  recorded_ = engine_.Clicks().Log().size();
  pacer_.Restart(engine_.Steps(), Clock::now());  // the count may have gone back
  Publish();
}

void WindowRun::SetExitAt(std::uint64_t steps, std::function<void()> reached) {
  exitAt_ = steps;
  exitReached_ = std::move(reached);
}

void WindowRun::SetStopTeller(std::function<void(const debug::StopReason&)> teller) {
  teller_ = std::move(teller);
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
  if (commandRunning_.load(std::memory_order_acquire)) engine_.RequestPause();
  wake_.notify_all();
}

void WindowRun::PostCommand(Command command) {
  std::lock_guard lock(mutex_);
  commands_.push_back(std::move(command));
  wake_.notify_all();
}

std::optional<debug::StopReason> WindowRun::LastStop() {
  std::lock_guard lock(mutex_);
  return lastStop_;
}

void WindowRun::StoppedAt(const debug::StopReason& stop) {
  std::lock_guard lock(mutex_);
  lastStop_ = stop;
  pauseRequested_ = true;
  stepBudget_.reset();
}

void WindowRun::RunCommands(std::unique_lock<std::mutex>& lock) {
  while (!commands_.empty() && runFlag_.load(std::memory_order_acquire) != STOP) {
    Command command = std::move(commands_.front());
    commands_.pop_front();
    commandRunning_.store(true, std::memory_order_release);
    lock.unlock();
    std::optional<debug::StopReason> stop;
    try {
      stop = command();
    } catch (...) {  // the command tells its own failures; the run goes on
    }
    engine_.CancelPause();
    Record();
    Publish();
    if (stop) StoppedAt(*stop);
    told_ = true;
    lock.lock();
    commandRunning_.store(false, std::memory_order_release);
    stops_.fetch_add(1, std::memory_order_acq_rel);
  }
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
  if (commandRunning_.load(std::memory_order_acquire)) engine_.RequestPause();
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
  std::exception_ptr error;
  {
    std::lock_guard lock(mutex_);
    std::swap(error, requestError_);
  }
  if (error) std::rethrow_exception(error);
}

void WindowRun::ServeRequest(std::unique_lock<std::mutex>&) {
  if (request_ == nullptr) return;
  try {
    (*request_)();
  } catch (...) {
    requestError_ = std::current_exception();
  }
  request_ = nullptr;
  requestDone_.store(true, std::memory_order_release);
}

void WindowRun::MakePostedClick() {
  // One of the user's clicks per block: the firmware reads the keyboard register once per pass,
  // so keys typed faster than the blocks run (or while paused) still arrive one by one.
  std::string name;
  {
    std::lock_guard lock(mutex_);
    if (posted_.empty()) return;
    name = std::move(posted_.front());
    posted_.pop_front();
  }
  engine_.Click(name);
  Record();
}

void WindowRun::Record() {
  const std::vector<debug::ClickEvent>& log = engine_.Clicks().Log();
  for (; recorded_ < log.size(); ++recorded_) {
    if (recorder_) recorder_(log[recorded_].step, log[recorded_].name);
  }
}

bool WindowRun::WaitWhileStill() {
  std::unique_lock lock(mutex_);
  for (;;) {
    RunCommands(lock);
    ServeRequest(lock);
    if (runFlag_.load(std::memory_order_acquire) == STOP) return false;
    const bool atExit = exitDone_;
    const bool pausing = pauseRequested_ && (!stepBudget_ || *stepBudget_ == 0);
    if (!atExit && !pausing) break;
    const bool stepped = stepBudget_ && *stepBudget_ == 0;
    if (stepped) stepBudget_.reset();
    if (!paused_.load(std::memory_order_relaxed)) {
      if (!told_ && teller_ && !atExit) {
        debug::StopReason r;
        r.kind = stepped ? debug::StopKind::Done : debug::StopKind::Pause;
        r.step = engine_.Steps();
        r.pc = engine_.Machine()[reg::PC];
        lock.unlock();
        teller_(r);
        lock.lock();
      }
      told_ = false;
      Publish();
      paused_.store(true, std::memory_order_release);
      stops_.fetch_add(1, std::memory_order_acq_rel);
    }
    wake_.wait(lock, [this] {
      return runFlag_.load(std::memory_order_acquire) == STOP || request_ != nullptr ||
             !commands_.empty() ||
             (!exitDone_ && (!pauseRequested_ || (stepBudget_ && *stepBudget_ > 0)));
    });
  }
  if (paused_.load(std::memory_order_relaxed)) {
    resumed_ = true;
    paused_.store(false, std::memory_order_release);
    pacer_.Restart(engine_.Steps(), Clock::now());
  }
  if (speedChanged_) {
    speedChanged_ = false;
    pacer_.SetFactor(speed_.load(std::memory_order_relaxed), engine_.Steps(), Clock::now());
  }
  return true;
}

std::uint64_t WindowRun::NextBlock() {
  const std::uint64_t steps = engine_.Steps();
  std::uint64_t n = pacer_.BlockSteps(kUnpacedBlock);
  if (exitAt_ && !exitDone_) n = std::min(n, *exitAt_ - std::min(*exitAt_, steps));
  std::lock_guard lock(mutex_);
  if (stepBudget_) n = std::min(n, *stepBudget_);
  return n;
}

void WindowRun::Body() {
  pacer_.SetFactor(speed_.load(std::memory_order_relaxed), engine_.Steps(), Clock::now());
  for (;;) {
    if (exitAt_ && !exitDone_ && engine_.Steps() >= *exitAt_) {
      exitDone_ = true;
      Publish();
      if (exitReached_) exitReached_();
    }
    if (!WaitWhileStill()) break;
    MakePostedClick();
    const std::uint64_t n = NextBlock();
    if (n == 0) continue;
    const std::uint64_t before = engine_.Steps();
    // The script's clicks due on the way are made and logged.
    // A breakpoint at a block's first PC stops it, unless the run resumes from there.
    const debug::StopReason stop = engine_.Continue(n, resumed_);
    resumed_ = false;
    Record();
    Publish();
    if (IsPointStop(stop.kind)) {
      StoppedAt(stop);
      if (teller_) teller_(stop);
      told_ = true;
      continue;
    }
    const std::uint64_t done = engine_.Steps() - before;
    std::unique_lock lock(mutex_);
    if (stepBudget_) {
      *stepBudget_ -= std::min(*stepBudget_, done);
      continue;
    }
    if (!pacer_.Paced()) continue;
    const Clock::time_point due = pacer_.DueTime(engine_.Steps(), Clock::now());
    wake_.wait_until(lock, due, [this] {
      return runFlag_.load(std::memory_order_acquire) == STOP || request_ != nullptr ||
             !commands_.empty() || speedChanged_ || pauseRequested_;
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
