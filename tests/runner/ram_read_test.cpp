// The window thread reads the whole RAM (a RAM save) while the processor calls and returns, so
// every push stores into RAM under its eyes: all such stores must be atomic words (the thread
// sanitizer build reports any other).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "board/power.hpp"
#include "board/thread.hpp"
#include "program.hpp"

namespace kv74::test {
namespace {

using namespace std::chrono_literals;

class ClearingReceiver : public HandoverReceiver {
 public:
  void Handover(BoardState& m) override { m.NotifyWord = 0; }
};

TEST(RamReadTest, WholeRamReadWhileTheProgramPushesAndPops) {
  constexpr std::uint16_t kStack = 0x4800;
  constexpr std::uint16_t kSub = 0x20;
  auto m = std::make_unique<BoardState>();
  // 0: CALL [word 0x10] -> 0x20: RET; 1: JMP 0.
  const op::Words program = op::Program({{0x6210}, op::JmpRel(-1)});
  std::ranges::copy(program, m->ProgramMemory.begin());
  m->ProgramMemory[0x10] = kSub;
  m->ProgramMemory[kSub] = 0xE370;
  PowerOn(*m);
  (*m)[reg::SP] = kStack;

  ClearingReceiver receiver;
  EmulationThread thread(*m, receiver);
  thread.Start();
  int returnAddressSeen = 0;
  const auto until = std::chrono::steady_clock::now() + 200ms;
  while (std::chrono::steady_clock::now() < until || returnAddressSeen == 0) {
    std::array<std::uint16_t, DATA_WORDS> copy;
    for (std::size_t i = 0; i < DATA_WORDS; ++i) {
      copy[i] = std::atomic_ref<std::uint16_t>(m->DataMemory[i]).load(std::memory_order_relaxed);
    }
    returnAddressSeen += copy[kStack + 1 - DATA_BASE] == 1;
  }
  thread.RequestStop();
  while (!thread.Finished()) std::this_thread::sleep_for(100us);
  EXPECT_GT(returnAddressSeen, 0);
  EXPECT_LE((*m)[reg::SP] - kStack, 1);  // calls and returns paired
}

}  // namespace
}  // namespace kv74::test
