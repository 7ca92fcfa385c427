// Running the processor: the per-step sequence shared by every run loop, a single-threaded loop
// for tools and benchmarks, and the EmulationThread with its RunFlag stop handshake.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "board/handover.hpp"
#include "board/machine.hpp"
#include "board/step.hpp"

namespace kv74 {

// One step as every loop runs it: fetch, execute, and hand the machine over when the step left
// a notification.
inline void StepAndHandOver(BoardState& m, HandoverReceiver& receiver) {
  Step(m);
  if (m.NotifyWord != 0) receiver.Handover(m);
}

// Runs exactly n steps on the calling thread from wherever the PC stands.
void RunSteps(BoardState& m, std::uint64_t n, HandoverReceiver& receiver);

// The same with every peripheral ticked in every step: the reference for the scheduled loop.
void RunStepsReference(BoardState& m, std::uint64_t n, HandoverReceiver& receiver);

// The processor on a thread of its own. RunFlag is 1 from construction; the thread sets the PC
// to 0 and steps until RunFlag is 0, then stores 0xFF as its last act. The receiver runs on the
// emulation thread and may block (e.g. until the window thread has refreshed the panel); whoever
// waits for Finished() must keep such a hand-over serviced meanwhile.
class EmulationThread {
 public:
  static constexpr int RUN = 1;
  static constexpr int STOP = 0;
  static constexpr int FINISHED = 0xFF;

  EmulationThread(BoardState& m, HandoverReceiver& receiver) : m_(m), receiver_(receiver) {}
  // Stops and joins a thread still running; its receiver must not block for ever by then.
  ~EmulationThread();
  EmulationThread(const EmulationThread&) = delete;
  EmulationThread& operator=(const EmulationThread&) = delete;

  // Starts the thread once; the images and the power-on state must be in place.
  void Start();
  // RunFlag := 0. The step in progress and its hand-over complete, then the thread finishes.
  // Only a running flag is changed, so a late request cannot hide that the thread has finished.
  void RequestStop() {
    int expected = RUN;
    runFlag_.compare_exchange_strong(expected, STOP, std::memory_order_acq_rel);
  }
  // RunFlag = 0xFF: the thread has left its loop and touches the machine no more.
  bool Finished() const { return runFlag_.load(std::memory_order_acquire) == FINISHED; }
  int RunFlag() const { return runFlag_.load(std::memory_order_acquire); }

 private:
  void Body();

  BoardState& m_;
  HandoverReceiver& receiver_;
  std::atomic<int> runFlag_{RUN};
  std::thread thread_;
};

}  // namespace kv74
