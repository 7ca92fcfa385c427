// Runs the benchmark mix for the number of steps given on the command line, so that the host
// instructions per step can be counted as the difference of two runs under callgrind.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bench/mix_program.hpp"
#include "emu/cpu.hpp"

int main(int argc, char** argv) {
  const long steps = argc > 1 ? std::atol(argv[1]) : 1000000;
  auto m = std::make_unique<kv74::MachineState>();
  kv74::bench::LoadMixProgram(*m);
  for (long i = 0; i < steps; ++i) kv74::Step(*m);
  std::printf("PC %04X R0 %04X faults %04X\n", m->RegisterFile[kv74::reg::PC], m->RegisterFile[0],
              m->RegisterFile[kv74::reg::FAULTS]);
  return 0;
}
