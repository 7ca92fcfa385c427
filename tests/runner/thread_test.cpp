#include "board/thread.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "board/power.hpp"
#include "cpu/decode.hpp"
#include "program.hpp"

namespace kv74::test {
namespace {

using namespace std::chrono_literals;

void Load(BoardState& m, const op::Words& words) {
  std::ranges::copy(words, m.ProgramMemory.begin());
}

// Counts R1 up and writes it to indicator group 1 on every other step.
op::Words IndicatorLoop() {
  return op::Program(
      {op::PointBase0AtPeripherals(), op::Inc(1), op::StoreBase0(1, 0x20), op::JmpRel(-2)});
}

class CountingReceiver : public HandoverReceiver {
 public:
  void Handover(BoardState& m) override {
    count.fetch_add(1);
    lastNotify = m.NotifyWord;
    m.NotifyWord = 0;
  }
  std::atomic<int> count{0};
  std::uint32_t lastNotify = 0;
};

TEST(ProgramWordsTest, DecodeAsIntended) {
  EXPECT_EQ(Decode(op::MovImm(1, 0)[0]), Op::MovImm);
  EXPECT_EQ(Decode(op::WriteDirect(0x10)[0]), Op::WriteDirect);
  EXPECT_EQ(Decode(op::Inc(1)[0]), Op::UnaryReg);
  EXPECT_EQ(Decode(op::StoreBase0(1, 0x20)[0]), Op::StoreBase0);
  EXPECT_EQ(Decode(op::Jmp(0)[0]), Op::JumpAbs);
  EXPECT_EQ(Decode(op::LoadBase0(2, 0x31)[0]), Op::LoadBase0);
  EXPECT_EQ(Decode(op::Or(5, 4)[0]), Op::AluRR);
  EXPECT_EQ(Decode(op::JmpRel(-2)[0]), Op::JumpRel);
}

TEST(RunStepsTest, RunsExactlyNStepsAndHandsOverEachNotification) {
  auto m = std::make_unique<BoardState>();
  Load(*m, IndicatorLoop());
  PowerOn(*m);
  (*m)[reg::KEYLAMPS] = 0x4008;  // the jog divider counts every step
  CountingReceiver receiver;
  RunSteps(*m, 3, receiver);  // set-up
  EXPECT_EQ(receiver.count, 0);
  RunSteps(*m, 1000, receiver);
  EXPECT_EQ(m->channels.jogDivider, 1003);
  EXPECT_EQ((*m)[1], 334);  // incremented every third step
  EXPECT_EQ(receiver.count, 334);
  EXPECT_EQ(receiver.lastNotify, notify::IND1);
}

TEST(RunStepsTest, ProgramWithoutPanelWritesNeverHandsOver) {
  auto m = std::make_unique<BoardState>();
  Load(*m, op::Program({op::Inc(2), op::JmpRel(-1)}));
  PowerOn(*m);
  CountingReceiver receiver;
  RunSteps(*m, 100000, receiver);
  EXPECT_EQ(receiver.count, 0);
  EXPECT_EQ((*m)[2], 50000);
}

// Blocks each hand-over for a while, as a busy window thread would.
class SlowReceiver : public CountingReceiver {
 public:
  void Handover(BoardState& m) override {
    CountingReceiver::Handover(m);
    std::this_thread::sleep_for(200us);
  }
};

TEST(EmulationThreadTest, StopCompletesWhileTheFirmwareNotifiesEveryOtherStep) {
  auto m = std::make_unique<BoardState>();
  Load(*m, IndicatorLoop());
  PowerOn(*m);
  (*m)[reg::PC] = 0x1234;  // the thread starts at 0 whatever the PC holds
  SlowReceiver receiver;
  EmulationThread thread(*m, receiver);
  EXPECT_EQ(thread.RunFlag(), EmulationThread::RUN);
  thread.Start();
  while (receiver.count < 20) std::this_thread::sleep_for(1ms);
  const int before = receiver.count;
  thread.RequestStop();
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!thread.Finished() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(100us);
  }
  ASSERT_TRUE(thread.Finished());
  EXPECT_LE(receiver.count, before + 1);  // at most the step in progress and its hand-over
  EXPECT_EQ((*m)[reg::IND1], (*m)[1]);
  thread.RequestStop();  // too late: the finished state stays visible
  EXPECT_EQ(thread.RunFlag(), EmulationThread::FINISHED);
}

// The window-thread pattern: the hand-over is queued to another thread and the emulation thread
// waits until that thread has serviced it; the closing thread keeps servicing while it waits.
class QueuedReceiver : public HandoverReceiver {
 public:
  void Handover(BoardState& m) override {
    std::unique_lock lock(mutex_);
    pending_ = &m;
    cv_.notify_all();
    cv_.wait(lock, [&] { return pending_ == nullptr; });
  }
  // Runs on the "window" thread; returns whether a hand-over was serviced.
  bool ServiceFor(std::chrono::microseconds wait) {
    std::unique_lock lock(mutex_);
    if (!cv_.wait_for(lock, wait, [&] { return pending_ != nullptr; })) return false;
    pending_->NotifyWord = 0;
    pending_ = nullptr;
    ++serviced;
    cv_.notify_all();
    return true;
  }
  int serviced = 0;

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  BoardState* pending_ = nullptr;
};

TEST(EmulationThreadTest, CloseWaitKeepsTheBlockingHandOverServiced) {
  auto m = std::make_unique<BoardState>();
  Load(*m, IndicatorLoop());
  PowerOn(*m);
  QueuedReceiver receiver;
  EmulationThread thread(*m, receiver);
  thread.Start();
  while (receiver.serviced < 50) receiver.ServiceFor(1ms);
  std::this_thread::sleep_for(5ms);  // the emulation thread is now blocked in a hand-over
  thread.RequestStop();
  const int before = receiver.serviced;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!thread.Finished() && std::chrono::steady_clock::now() < deadline) {
    receiver.ServiceFor(100us);
  }
  ASSERT_TRUE(thread.Finished());
  EXPECT_LE(receiver.serviced, before + 2);
}

TEST(EmulationThreadTest, DestructorStopsARunningThread) {
  auto m = std::make_unique<BoardState>();
  Load(*m, IndicatorLoop());
  PowerOn(*m);
  SlowReceiver receiver;
  {
    EmulationThread thread(*m, receiver);
    thread.Start();
    while (receiver.count < 3) std::this_thread::sleep_for(1ms);
  }
  const int after = receiver.count;
  EXPECT_EQ((*m)[reg::IND1], (*m)[1]);
  std::this_thread::sleep_for(2ms);
  EXPECT_EQ(receiver.count, after);
}

}  // namespace
}  // namespace kv74::test
