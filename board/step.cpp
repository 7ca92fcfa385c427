#include <algorithm>

#include "board/run_loop.hpp"
#include "board/schedule.hpp"
#include "board/step_inl.hpp"

namespace kv74 {
namespace {

using namespace step_detail;

// Everything of the step after the fetch.
[[gnu::always_inline]] inline void RunStep(BoardState& m) {
  TickPeripherals(m, m);
  RequestOrInstruction(m);
}

}  // namespace

void Fetch(BoardState& m) { LatchWords(m); }

void ExecuteStep(BoardState& m) {
  CheckPc(m, IsExecutable(m[reg::PC]));
  EnterFlags(m);
  RunStep(m);
  LeaveFlags(m);
}

void Step(BoardState& m) {
  CheckPc(m, LatchWords(m));
  EnterFlags(m);
  RunStep(m);
  LeaveFlags(m);
}

namespace {

// What ends a run after a hand-over: the flag holding a value (stopOnValue) or leaving it.
struct FlagStop {
  const std::atomic<int>& flag;
  int value;
  bool stopOnValue;
  bool Holds() const { return (flag.load(std::memory_order_acquire) == value) == stopOnValue; }
};

// A plain run: no checks, a hand-over receiver, and a flag or nothing that ends the run after a
// hand-over (asked only then, so the loop is instantiated once for every kind of run).
struct PlainRun {
  using Bus = PlainBus;
  static constexpr bool kChecked = false;
  HandoverReceiver& receiver;
  const FlagStop* stop;
  void Handover(BoardState& m) { receiver.Handover(m); }
  bool StopAfterHandover() const { return stop != nullptr && stop->Holds(); }
  static bool Before(BoardState&) { return true; }
  static void Request(BoardState&, int) {}
  static bool After(BoardState&) { return true; }
};

std::uint64_t RunScheduled(BoardState& m, std::uint64_t n, HandoverReceiver& receiver,
                           const FlagStop* stop) {
  PlainRun run{receiver, stop};
  return RunLoop(m, n, run);
}

// A run that tests a flag set from another thread does so between slices of this many steps, and
// after every hand-over (the receiver may set it too).
constexpr std::uint64_t kSlice = 1 << 16;

}  // namespace

void RunScheduledSteps(BoardState& m, std::uint64_t n, HandoverReceiver& receiver) {
  RunScheduled(m, n, receiver, nullptr);
}

void RunScheduledWhile(BoardState& m, const std::atomic<int>& runFlag, int stop,
                       HandoverReceiver& receiver) {
  const FlagStop stopped{runFlag, stop, true};
  while (!stopped.Holds()) RunScheduled(m, kSlice, receiver, &stopped);
}

std::uint64_t RunScheduledStepsWhile(BoardState& m, std::uint64_t n, const std::atomic<int>& flag,
                                     int go, HandoverReceiver& receiver) {
  const FlagStop stopped{flag, go, false};
  std::uint64_t done = 0;
  while (done < n && !stopped.Holds())
    done += RunScheduled(m, std::min(n - done, kSlice), receiver, &stopped);
  return done;
}

}  // namespace kv74
