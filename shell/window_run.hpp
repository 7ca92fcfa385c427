// The window's emulation thread: the run-control engine runs the processor in blocks of steps,
// and between two blocks (always at a step boundary) the window's run control acts: the user's
// clicks are made and logged with their step, pause, single step and step N stop the run, the
// pacing sleeps, requests of the window thread are served (the RAM save, snapshots), and the
// RunFlag handshake ends it. Script clicks are made by the engine at their steps. The processor
// itself never sees any of this: the same clicks at the same steps give the same run at any speed.
// A breakpoint, watchpoint or catchpoint hit pauses the run; the debugger's commands (step over,
// step back, ...) run on the emulation thread between blocks and leave it paused.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "board/machine.hpp"
#include "debug/engine.hpp"
#include "shell/pacing.hpp"

namespace kv74::shell {

class WindowRun {
 public:
  static constexpr int RUN = 1;
  static constexpr int STOP = 0;
  static constexpr int FINISHED = 0xFF;
  static constexpr std::uint64_t kUnpacedBlock = 1 << 16;

  // Something the debugger has the engine do on the emulation thread; a stop when it ran the
  // machine (the run then stands paused), nothing when it only looked or changed a setting.
  using Command = std::function<std::optional<debug::StopReason>()>;

  // The machine must be powered on with its images in place. `reverse`: keep checkpoints for
  // going back from the start.
  WindowRun(BoardState& m, debug::Target& target, bool reverse = false);
  // Stops and joins a thread still running; the receivers must not block for ever by then.
  ~WindowRun();
  WindowRun(const WindowRun&) = delete;
  WindowRun& operator=(const WindowRun&) = delete;

  // Set up before Start.
  void SetScript(std::vector<debug::ClickEvent> clicks);
  // `reached` runs once on the emulation thread when the count reaches `steps` (after the
  // script's clicks at that count); the run then stands still until it is stopped.
  void SetExitAt(std::uint64_t steps, std::function<void()> reached);
  // Told every click made, with its step, on the emulation thread, as it is made.
  void SetRecorder(std::function<void(std::uint64_t, const std::string&)> recorder);
  // Told on the emulation thread of every stop the run comes to by itself: a point hit, a pause,
  // the end of a step N (not of a debugger command, whose answer tells its own).
  void SetStopTeller(std::function<void(const debug::StopReason&)> teller);
  // The machine, the panel, the step count and the click log from a snapshot file; before Start
  // or on the emulation thread (RunAtBoundary). Throws as the engine does, changing nothing.
  void LoadSnapshotFile(const std::filesystem::path& file);

  // Starts the thread once, running or paused; the machine must be in place.
  void Start(bool paused = false);

  // From the window thread, at any time.
  void SetSpeed(double factor);  // times real time; 0 = as fast as possible
  double Speed() const { return speed_.load(std::memory_order_relaxed); }
  void Pause();
  void Resume();
  // Runs n more steps and pauses again (from running: the n steps count from where it paused).
  void StepBy(std::uint64_t n);
  bool Paused() const { return paused_.load(std::memory_order_acquire); }
  // A click of the user: made at the next block boundary of a running machine, or where a paused
  // one resumes; one per block, in the order posted.
  void PostClick(std::string name);
  // Runs fn on the emulation thread at a step boundary (running or paused) and returns when it
  // has run, rethrowing what it threw; `serve` is called while waiting, to keep hand-overs to the
  // caller's thread flowing. Before the start and after the finish fn runs on the caller's thread.
  void RunAtBoundary(const std::function<void()>& fn, const std::function<void()>& serve);
  std::uint64_t Steps() const { return published_.load(std::memory_order_acquire); }
  // Runs the command at the next step boundary, running or paused, without waiting for it;
  // Pause() stops a command's run at its next step boundary.
  void PostCommand(Command command);
  bool CommandRunning() const { return commandRunning_.load(std::memory_order_acquire); }
  // Counts the times the run came to stand or a command ended: a change means "look again".
  std::uint64_t Stops() const { return stops_.load(std::memory_order_acquire); }
  // Why the run last stopped for a point or a command, if it did.
  std::optional<debug::StopReason> LastStop();
  // The engine, for RunAtBoundary's functions (on the emulation thread) and before the start.
  debug::Engine& Engine() { return engine_; }

  // The stop handshake, as the EmulationThread's.
  void RequestStop();
  bool Finished() const { return runFlag_.load(std::memory_order_acquire) == FINISHED; }
  int RunFlag() const { return runFlag_.load(std::memory_order_acquire); }
  bool Started() const { return thread_.joinable(); }

 private:
  void Body();
  // Makes the next of the user's clicks.
  void MakePostedClick();
  // Tells the recorder the clicks logged since it was last told.
  void Record();
  void Publish() { published_.store(engine_.Steps(), std::memory_order_release); }
  // Waits while paused (or at the exit count) serving requests; false when stopping.
  bool WaitWhileStill();
  void ServeRequest(std::unique_lock<std::mutex>& lock);
  std::uint64_t NextBlock();
  // Runs the posted commands; the lock is released while each runs.
  void RunCommands(std::unique_lock<std::mutex>& lock);
  // After a stop of the engine's: the run stands paused.
  void StoppedAt(const debug::StopReason& stop);

  debug::Engine engine_;
  std::size_t recorded_ = 0;  // clicks of the engine's log told to the recorder
  std::optional<std::uint64_t> exitAt_;
  std::function<void()> exitReached_;
  bool exitDone_ = false;
  bool resumed_ = true;  // the next block starts where the run stood still
  std::function<void(std::uint64_t, const std::string&)> recorder_;
  std::function<void(const debug::StopReason&)> teller_;
  bool told_ = false;  // this stand of the run was told (or a command answered for it)
  Pacer pacer_;

  std::atomic<int> runFlag_{RUN};
  std::atomic<std::uint64_t> published_{0};
  std::atomic<double> speed_{0};
  std::atomic<bool> paused_{false};
  std::atomic<bool> commandRunning_{false};
  std::atomic<std::uint64_t> stops_{0};

  std::mutex mutex_;  // guards what follows; never held while a step runs
  std::condition_variable wake_;
  bool pauseRequested_ = false;
  std::optional<std::uint64_t> stepBudget_;  // steps left before pausing again
  bool speedChanged_ = false;
  std::deque<std::string> posted_;
  const std::function<void()>* request_ = nullptr;
  std::atomic<bool> requestDone_{false};
  std::exception_ptr requestError_;
  std::deque<Command> commands_;
  std::optional<debug::StopReason> lastStop_;

  std::thread thread_;
};

}  // namespace kv74::shell
