// Runs the benchmark mix for the number of steps given on the command line, so that the host
// instructions per step can be counted as the difference of two runs under callgrind. A second
// argument chooses the loop: "s" one Step call per step; "e" the run-control engine with nothing
// set, "b" with one PC breakpoint, "w" with one watchpoint (neither ever hit, so every step pays
// for the check), "d" as the debugger window sets it (history, call tracking and checkpoints on,
// no point). Without it, the plain run loop.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bench/clearing_target.hpp"
#include "bench/mix_program.hpp"
#include "board/step.hpp"
#include "board/thread.hpp"

namespace {

class ClearingReceiver : public kv74::HandoverReceiver {
 public:
  void Handover(kv74::BoardState& m) override { m.NotifyWord = 0; }
};

}  // namespace

int main(int argc, char** argv) {
  using namespace kv74;
  const long steps = argc > 1 ? std::atol(argv[1]) : 1000000;
  const char mode = argc > 2 ? argv[2][0] : 'p';
  auto m = std::make_unique<BoardState>();
  bench::LoadMixProgram(*m);
  bench::ClearingTarget target;
  if (mode == 's') {
    for (long i = 0; i < steps; ++i) Step(*m);
  } else if (mode == 'e' || mode == 'b' || mode == 'w' || mode == 'd') {
    debug::Engine engine(*m, target);
    engine.RecordHistory(mode == 'd');
    engine.TrackCalls(mode == 'd');
    if (mode == 'b') engine.Points().AddBreak(0x1FFF);
    if (mode == 'w') engine.Points().AddWatch(0x4400, 0x4401, debug::WatchKind::Access);
    engine.Continue(static_cast<std::uint64_t>(steps));
  } else {
    ClearingReceiver receiver;
    RunSteps(*m, static_cast<std::uint64_t>(steps), receiver);
  }
  std::printf("PC %04X R0 %04X faults %04X\n", m->RegisterFile[reg::PC], m->RegisterFile[0],
              m->RegisterFile[reg::FAULTS]);
  return 0;
}
