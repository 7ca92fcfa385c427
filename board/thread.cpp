#include "board/thread.hpp"

namespace kv74 {

void RunSteps(BoardState& m, std::uint64_t n, HandoverReceiver& receiver) {
  RunScheduledSteps(m, n, receiver);
}

void RunStepsReference(BoardState& m, std::uint64_t n, HandoverReceiver& receiver) {
  for (std::uint64_t i = 0; i < n; ++i) StepAndHandOver(m, receiver);
}

EmulationThread::~EmulationThread() {
  if (!thread_.joinable()) return;
  RequestStop();
  thread_.join();
}

void EmulationThread::Start() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] { Body(); });
}

void EmulationThread::Body() {
  m_[reg::PC] = 0;
  RunScheduledWhile(m_, runFlag_, STOP, receiver_);
  runFlag_.store(FINISHED, std::memory_order_release);
}

}  // namespace kv74
