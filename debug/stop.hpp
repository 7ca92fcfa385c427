// Why a run stopped: one struct that every front-end prints in its own way (the monitor's stop
// line, the window's status bar, the debug adapter's "stopped" event).
#pragma once

#include <cstdint>
#include <string>

#include "cpu/tap.hpp"
#include "debug/points.hpp"

namespace kv74::debug {

enum class StopKind : std::uint8_t {
  Done,        // the steps asked for have run (step N, continue N)
  Breakpoint,  // before the instruction at a breakpoint
  Watchpoint,  // right after the step that made the access
  Catch,       // after a request entry, a raised fault bit or a hand-over
  Pause,       // RequestPause from another thread
  StepOver,    // next: back at the instruction after the call
  StepOut,     // finish: the routine returned
  RunTo,       // until/run to an address: reached it
  Reverse,     // back N, or reverse-continue that found no earlier hit: the target step reached
  HistoryEnd,  // reverse execution cannot reach further back; stopped at the oldest checkpoint
};

struct StopReason {
  StopKind kind = StopKind::Done;
  std::uint64_t step = 0;  // steps run so far, at the stop
  std::uint16_t pc = 0;    // where the next instruction starts
  int point = 0;           // breakpoint/watchpoint/catchpoint number, 0 for none
  // Watchpoint: the access and the PC of the instruction that made it.
  Access access;
  std::uint16_t accessPc = 0;
  // Catch: which kind, and the request line / fault bits / notification bits.
  CatchKind catchKind = CatchKind::Request;
  std::uint32_t bits = 0;
};

// "breakpoint 1", "watchpoint 2: write 0x4212 0x0000 -> 0x0005 by 0x0123", "request 4 entry",
// "paused", ... (no step count, PC or symbols: the front-end adds those).
std::string Describe(const StopReason& r);

}  // namespace kv74::debug
