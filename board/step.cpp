#include <algorithm>

#include "board/run_loop.hpp"
#include "board/step_inl.hpp"
#include "periph/periph.hpp"
#include "periph/schedule.hpp"

namespace kv74 {
namespace {

using namespace step_detail;

// Everything of the step after the fetch.
[[gnu::always_inline]] inline void RunStep(MachineState& m) {
  TimerTick(m);
  PulseChannelsTick(m);
  SequencerTick(m);
  RequestOrInstruction(m);
}

}  // namespace

void Fetch(MachineState& m) { LatchWords(m); }

void ExecuteStep(MachineState& m) {
  CheckPc(m, IsExecutable(m[reg::PC]));
  EnterFlags(m);
  RunStep(m);
  LeaveFlags(m);
}

void Step(MachineState& m) {
  CheckPc(m, LatchWords(m));
  EnterFlags(m);
  RunStep(m);
  LeaveFlags(m);
}

namespace {

// A plain run: no checks; a hand-over receiver, and what ends the run after a hand-over.
template <typename Stop>
struct PlainRun {
  using Bus = PlainBus;
  static constexpr bool kChecked = false;
  HandoverReceiver& receiver;
  Stop stop;
  void Handover(MachineState& m) { receiver.Handover(m); }
  bool StopAfterHandover() { return stop(); }
  static bool Before(MachineState&) { return true; }
  static void Request(MachineState&, int) {}
  static bool After(MachineState&) { return true; }
};

template <typename Stop>
std::uint64_t RunScheduled(MachineState& m, std::uint64_t n, HandoverReceiver& receiver,
                           Stop stop) {
  PlainRun<Stop> run{receiver, stop};
  return RunLoop(m, n, run);
}

// A run that tests a flag set from another thread does so between slices of this many steps, and
// after every hand-over (the receiver may set it too).
constexpr std::uint64_t kSlice = 1 << 16;

}  // namespace

void RunScheduledSteps(MachineState& m, std::uint64_t n, HandoverReceiver& receiver) {
  RunScheduled(m, n, receiver, [] { return false; });
}

void RunScheduledWhile(MachineState& m, const std::atomic<int>& runFlag, int stop,
                       HandoverReceiver& receiver) {
  auto stopped = [&] { return runFlag.load(std::memory_order_acquire) == stop; };
  while (!stopped()) RunScheduled(m, kSlice, receiver, stopped);
}

std::uint64_t RunScheduledStepsWhile(MachineState& m, std::uint64_t n, const std::atomic<int>& flag,
                                     int go, HandoverReceiver& receiver) {
  auto stopped = [&] { return flag.load(std::memory_order_acquire) != go; };
  std::uint64_t done = 0;
  while (done < n && !stopped())
    done += RunScheduled(m, std::min(n - done, kSlice), receiver, stopped);
  return done;
}

}  // namespace kv74
