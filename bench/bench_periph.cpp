// Steps per second with the peripherals at work: the timer expiring every 101 steps (its request
// inhibited), three pulse
// channels stepping, the jog counter sampling and the sequencer busy, against the same loop with
// every peripheral idle; and the three ticks alone.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "board/handover.hpp"
#include "board/power.hpp"
#include "board/step.hpp"
#include "board/thread.hpp"
#include "periph/periph.hpp"

namespace kv74::bench {
namespace {

class ClearingReceiver : public HandoverReceiver {
 public:
  void Handover(BoardState& m) override { m.NotifyWord = 0; }
};

constexpr std::uint16_t kLoop = 0x0120;
constexpr int kSetupSteps = 20;

// The set-up runs first (20 steps); then INC R2 / JNZ repeats, and every 65536 rounds the output
// port is written again, which restarts the exchange so that the sequencer stays busy.
void LoadBusyProgram(BoardState& m, bool peripherals) {
  std::uint16_t at = 0x0100;
  auto put = [&](std::initializer_list<std::uint16_t> words) {
    for (std::uint16_t w : words) m.ProgramMemory[at++] = w;
  };
  auto store = [&](std::uint16_t value, std::uint16_t offset) {  // MOV R1,value; MOV M[BASE0+o],R1
    put({0xE180, peripherals ? value : std::uint16_t{0},
         static_cast<std::uint16_t>(0x1100 | offset)});
  };
  m.ProgramMemory[0] = 0xE350;  // JMP [0100]
  m.ProgramMemory[1] = 0x0100;
  put({0xE080, 0xF100, 0xF1D0});  // BASE0 := 0xF100
  store(0x0001, 0x10);            // timer expiry raises no request
  store(0x0001, 0x01);            // timer periodic
  store(0x0000, 0x00);            // reload 0: expires every 101 steps
  store(0x4008, 0x24);            // key lamps: jog sampling
  store(0x6125, 0x32);            // channels on, exchange with strobe
  store(0x0001, 0x40);            // channel 0: up every 10001 steps
  store(0xFFFF, 0x41);            // channel 1: down every 10001 steps
  store(0x8000, 0x43);            // channel 2: down every 5 steps
  put({0xE180, peripherals ? std::uint16_t{0x6125} : std::uint16_t{0}});  // R1 for the loop
  at = kLoop;
  put({0xF882,    // INC R2
       0x64FF,    // JNZ back to the INC
       0x1132,    // MOV M[BASE0+32],R1: restart the exchange
       0x63FD});  // JMP back to the INC
}

std::unique_ptr<BoardState> Prepared(bool peripherals) {
  auto m = std::make_unique<BoardState>();
  LoadBusyProgram(*m, peripherals);
  PowerOn(*m);
  ClearingReceiver r;
  RunSteps(*m, 1 + kSetupSteps, r);
  return m;
}

void BM_StepsPeripheralsBusy(benchmark::State& state) {
  auto m = Prepared(true);
  ClearingReceiver r;
  for (auto _ : state) RunSteps(*m, 1 << 20, r);
  state.SetItemsProcessed(state.iterations() * (1 << 20));
  if (m->sequencer.state != SeqState::Busy || !(m->RegisterFile[reg::TIMER_RUN] & 0x8000)) {
    state.SkipWithError("peripherals not busy");
  }
}
BENCHMARK(BM_StepsPeripheralsBusy)->Unit(benchmark::kMillisecond);

// The same with every tick run in every step.
void BM_StepsPeripheralsBusyReference(benchmark::State& state) {
  auto m = Prepared(true);
  ClearingReceiver r;
  for (auto _ : state) RunStepsReference(*m, 1 << 20, r);
  state.SetItemsProcessed(state.iterations() * (1 << 20));
}
BENCHMARK(BM_StepsPeripheralsBusyReference)->Unit(benchmark::kMillisecond);

void BM_StepsPeripheralsIdle(benchmark::State& state) {
  auto m = Prepared(false);
  ClearingReceiver r;
  for (auto _ : state) RunSteps(*m, 1 << 20, r);
  state.SetItemsProcessed(state.iterations() * (1 << 20));
}
BENCHMARK(BM_StepsPeripheralsIdle)->Unit(benchmark::kMillisecond);

void BM_PeripheralTicksOnly(benchmark::State& state) {
  auto m = Prepared(true);
  for (auto _ : state) {
    for (int i = 0; i < 1 << 20; ++i) {
      TimerTick(m->timer, *m);
      PulseChannelsTick(m->channels, *m);
      SequencerTick(m->sequencer, *m);
    }
    benchmark::DoNotOptimize(m->RegisterFile);
  }
  state.SetItemsProcessed(state.iterations() * (1 << 20));
}
BENCHMARK(BM_PeripheralTicksOnly)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv74::bench
