// Run control over a machine and a target (debug/target.hpp): running and stepping, breakpoints,
// watchpoints and catchpoints, pause from another thread, clicks as logged events of the run,
// call stack, history, reverse execution and snapshots. The console monitor, the window and the
// debug adapter all drive the machine through one Engine.
//
// Threads: everything runs on the thread that owns the engine (the emulation thread of the
// window, the runner's main thread), except RequestPause and PostClick, which any thread may call.
//
// Cost: with no point set and no call tracking, a run is the machine's plain scheduled loop, split
// only where a click or a checkpoint falls; the history costs a run nothing (it is rebuilt from a
// checkpoint when asked for). Call tracking and coverage without the call tree run instances of
// the plain loop told of the steps that matter to them. Otherwise a checked loop instantiation
// runs (board/run_checked.hpp): a bitmap test per step for breakpoints, the tapped instruction
// bodies (cpu/tap.hpp) while a watchpoint exists.
//
// Reverse execution: a checkpoint of the machine, the panel state, the click-schedule position and
// the call stack is kept every `checkpointInterval` steps (a ring of `checkpointCount`, the oldest
// dropped; about 33 KB plus the run-length coded plot picture each); going back restores the
// newest checkpoint at or before the target step and runs forward to it with the logged clicks.
// Outputs already written (prog.txt lines) are not written again.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "board/handover.hpp"
#include "board/machine.hpp"
#include "cpu/tap.hpp"
#include "debug/call_stack.hpp"
#include "debug/clicks.hpp"
#include "debug/collector.hpp"
#include "debug/history.hpp"
#include "debug/points.hpp"
#include "debug/stop.hpp"
#include "debug/target.hpp"

namespace kv74::debug {

// Told of every step a run makes while it is set (not of the steps that going back re-runs), e.g.
// for a trace file. `accesses` holds the step's I/O page reads and stores when asked for.
struct StepRecord {
  std::uint64_t step = 0;  // steps run before this one
  std::uint16_t pc = 0, op = 0, ext = 0;
  int request = -1;  // the request line the step took instead of the instruction, or -1
  std::span<const Access> accesses;
};
class StepObserver {
 public:
  virtual ~StepObserver() = default;
  virtual void Stepped(const BoardState& m, const StepRecord& r) = 0;
};

struct EngineOptions {
  std::uint64_t checkpointInterval = std::uint64_t{1} << 22;  // steps between checkpoints
  std::size_t checkpointCount = 64;                           // checkpoints kept
  std::size_t historySize = 100000;                           // steps the history keeps
  bool reverse = true;                                        // keep checkpoints at all
};

class Engine {
 public:
  static constexpr std::uint64_t FOREVER = std::numeric_limits<std::uint64_t>::max();

  // The machine must be powered on with its images in place; the engine counts steps from 0.
  Engine(BoardState& m, Target& target, EngineOptions options = {});
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  BoardState& Machine() { return m_; }
  Target& GetTarget() { return target_; }
  std::uint64_t Steps() const { return steps_; }

  // ---- Running (owning thread). Each returns why it stopped; a point hit ends any of them.
  // Until a stop, at most maxSteps. A breakpoint at the current PC is passed over (the run
  // resumes from it) unless `resume` is false: a run split into blocks continues one.
  StopReason Continue(std::uint64_t maxSteps = FOREVER, bool resume = true);
  StopReason Step(std::uint64_t n = 1);
  // Over a call: runs until it has returned to the next instruction; at most maxSteps.
  StopReason Next(std::uint64_t maxSteps = FOREVER);
  StopReason Finish(std::uint64_t maxSteps = FOREVER);  // until the current routine returns
  StopReason RunTo(std::uint16_t address, std::uint64_t maxSteps = FOREVER);
  StopReason Back(std::uint64_t n = 1);
  StopReason ReverseContinue();  // back to the previous point hit
  // The oldest step that going back can reach.
  std::uint64_t OldestReachable() const;
  // Checkpoints kept from here on (going back reaches no further than now), or none kept.
  void SetReverse(bool on);
  bool Reverse() const { return options_.reverse; }

  // ---- Any thread.
  // The run in progress stops at its next step boundary (a run started later stops at once).
  void RequestPause();
  // Forgets a pause requested after the last run ended (e.g. before a resume).
  void CancelPause();
  // A click applied by the running thread at its next step boundary, or by the next run.
  void PostClick(std::string name);

  // ---- Clicks (owning thread, between runs).
  // Applied now and logged at Steps(); false when the target does not take it.
  bool Click(std::string_view name);
  // Scheduled clicks (an --input script), made as the run reaches their steps.
  void SetSchedule(std::vector<ClickEvent> clicks);
  const ClickRecord& Clicks() const { return clicks_; }

  // After the machine or the panel was changed from outside (a deposit into memory or a
  // register): the recorded run starts again here, so going back reaches no further.
  void MachineChanged();

  // ---- Points, call stack, history.
  PointTable& Points() { return points_; }
  void TrackCalls(bool on);
  const CallStack& Calls() const { return calls_; }
  // The history is kept while on. With checkpoints (Reverse()) nothing is recorded while running:
  // GetHistory re-runs the steps it needs from the checkpoint before them, which leaves the run
  // exactly where it was; without checkpoints each step is recorded as it runs.
  void RecordHistory(bool on);
  bool RecordingHistory() const { return recordHistory_; }
  void SetHistorySize(std::size_t n) {
    history_.SetCapacity(n);
    historyTo_ = FOREVER;
  }
  // At least the newest `last` steps (as far as going back reaches, at most the size), oldest
  // first. Empty while the history is off.
  const History& GetHistory(std::size_t last = std::numeric_limits<std::size_t>::max());
  // nullptr to stop observing; `io`: report the I/O page accesses too.
  void SetStepObserver(StepObserver* observer, bool io = false) {
    observer_ = observer;
    observeIo_ = io;
  }

  // Every step run forward counted into `c` (coverage, and with its profiling the call tree, which
  // tracks calls while it is set); nullptr to stop. The collector starts in the current call
  // stack.
  void SetCollector(Collector* c);
  Collector* GetCollector() const { return collector_; }

  // ---- Snapshots (debug/snapshot.hpp has the format). Loading checks everything first and
  // throws SnapshotError, changing nothing, when the bytes are unusable; going back then reaches
  // no further than the loaded moment.
  std::vector<std::uint8_t> SaveSnapshot();
  void LoadSnapshot(std::span<const std::uint8_t> bytes);
  // Written to a temporary beside the file, renamed on success; std::runtime_error with the
  // system's reason on failure.
  void SaveSnapshotFile(const std::filesystem::path& file);
  void LoadSnapshotFile(const std::filesystem::path& file);

 private:
  enum class Mode : std::uint8_t { Plain, Over, Out, To };
  struct Goal {
    std::uint64_t end = FOREVER;
    Mode mode = Mode::Plain;
    std::uint16_t address = 0, sp = 0;
    StopKind done = StopKind::Done;
    bool replay = false;  // going back: no points, no history, no pause
    bool search = false;  // reverse search: points noted, not stopped at, counts untouched
    bool resume = true;   // a breakpoint at the starting PC is passed over
    bool record = false;  // a replay that rebuilds the history
  };
  struct Checkpoint;
  struct Hit {
    bool found = false;
    StopReason reason;
  };
  class Receiver : public HandoverReceiver {
   public:
    explicit Receiver(Target& t) : t_(t) {}
    void Handover(BoardState& m) override { t_.Handover(m); }

   private:
    Target& t_;
  };
  template <typename Bus, bool kSlow, int kCollect>
  friend struct LoopChecks;

  StopReason Go(const Goal& g);
  bool RunChecked(const Goal& g, std::uint64_t end, bool first, StopReason& stop, Hit* hit);
  // The plain loop; counting into `counting` (coverage without the call tree) when not null.
  void RunPlain(std::uint64_t end, bool pausable, Collector* counting);
  template <typename Run>
  void RunSlices(std::uint64_t end, const std::atomic<int>& flag, Run& run);
  std::uint64_t NextBoundary() const;
  void Arrive(bool takePosted);
  void ApplyClick(std::string_view name, bool logIt);
  void Fork();
  StopReason Make(StopKind kind) const;
  void Finalize(const StopReason& r);

  void TakeCheckpoint();
  const Checkpoint* CheckpointAtOrBefore(std::uint64_t step) const;
  void Restore(const Checkpoint& c);
  void ReplayTo(std::uint64_t step);
  bool RecordsLive() const { return recordHistory_ && !options_.reverse; }

  BoardState& m_;
  Target& target_;
  Receiver receiver_;
  EngineOptions options_;
  std::uint64_t steps_ = 0;
  std::uint64_t frontier_ = 0;  // the furthest step the recorded run reached
  bool recorded_ = false;       // frontier_ holds
  std::uint64_t arrivedAt_ = FOREVER;
  std::atomic<int> attention_{0};
  PointTable points_;
  AccessTap tap_;
  ClickRecord clicks_;
  History history_;
  std::uint64_t historyFrom_ = 0, historyTo_ = FOREVER;  // the steps history_ holds, when rebuilt
  CallStack calls_;
  bool recordHistory_ = false, trackCalls_ = false;
  StepObserver* observer_ = nullptr;
  Collector* collector_ = nullptr;
  bool observeIo_ = false;
  std::deque<Checkpoint> checkpoints_;
};

}  // namespace kv74::debug
