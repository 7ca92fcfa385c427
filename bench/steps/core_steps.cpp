// Runs the benchmark mix for the number of steps given on the command line (through the run loop,
// or with a second argument "s" one Step call at a time), so that the host instructions per step
// can be counted as the difference of two runs under callgrind.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bench/mix_program.hpp"
#include "board/step.hpp"
#include "board/thread.hpp"

namespace {

class ClearingReceiver : public kv74::HandoverReceiver {
 public:
  void Handover(kv74::MachineState& m) override { m.NotifyWord = 0; }
};

}  // namespace

int main(int argc, char** argv) {
  const long steps = argc > 1 ? std::atol(argv[1]) : 1000000;
  const bool singleSteps = argc > 2 && argv[2][0] == 's';  // "s": one Step call per step
  auto m = std::make_unique<kv74::MachineState>();
  kv74::bench::LoadMixProgram(*m);
  if (singleSteps) {
    for (long i = 0; i < steps; ++i) kv74::Step(*m);
  } else {
    ClearingReceiver r;
    kv74::RunSteps(*m, static_cast<std::uint64_t>(steps), r);
  }
  std::printf("PC %04X R0 %04X faults %04X\n", m->RegisterFile[kv74::reg::PC], m->RegisterFile[0],
              m->RegisterFile[kv74::reg::FAULTS]);
  return 0;
}
