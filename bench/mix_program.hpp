// A firmware-like loop for measuring the core: loads and stores through both bases, ALU forms,
// a shift, an immediate compare, I/O-page reads, a call and return, and a backward jump.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "board/machine.hpp"

namespace kv74::bench {

inline constexpr std::uint16_t kMixStart = 0x0100;
inline constexpr int kMixStepsPerLoop = 14;

inline void LoadMixProgram(BoardState& m) {
  auto put = [&m](std::uint16_t at, std::initializer_list<std::uint16_t> words) {
    for (std::uint16_t w : words) m.ProgramMemory[at++] = w;
  };
  put(kMixStart, {
                     0x0010,          // MOV R0,M[BASE0+10]
                     0x2120,          // MOV R1,M[BASE1+20]
                     0x4211,          // ADD R0,M[BASE0+11]
                     0x1012,          // MOV M[BASE0+12],R0
                     0x9221,          // ADD R2,R1
                     0xF883,          // INC R3
                     0xF892,          // SLL R2
                     0xE596,          // MOV R5,M[R6]        (input port)
                     0xC3A0, 0x8005,  // MOV R3,M[BASEX+8005] (through BASE1)
                     0xE503, 0x0000,  // CMP R3,0000
                     0xE250, 0x0200,  // CALL [0200]
                     0x63F2,          // JMP 0100
                 });
  put(0x0200, {
                  0xD7A0, 0x0030,  // MOV M[BASEX+0030],R7
                  0xE370,          // JMP [STACK]
              });
  m[reg::BASE0] = 0x4000;
  m[reg::BASE1] = 0xC100;  // short BASE1 forms reach 0x4100 + dd
  m[reg::SP] = 0x4800;
  m[6] = 0xF131;
  m[reg::PC] = kMixStart;
}

}  // namespace kv74::bench
