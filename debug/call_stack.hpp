// The routines the processor is in: a frame per call or request entry, gone when the stack
// pointer drops below the word the frame pushed.
#pragma once

#include <cstdint>
#include <vector>

namespace kv74::debug {

struct Frame {
  std::uint16_t callPc = 0;    // the call instruction, or where the request interrupted
  std::uint16_t entry = 0;     // the routine's first instruction
  std::uint16_t returnPc = 0;  // where it returns to
  std::uint16_t sp = 0;        // the stack pointer after the push of the return address
  int request = -1;            // request line for a request entry, else -1
};

class CallStack {
 public:
  const std::vector<Frame>& Frames() const { return frames_; }  // outermost first
  void Push(const Frame& f) { frames_.push_back(f); }
  void Unwind(std::uint16_t sp) {
    while (!frames_.empty() && sp < frames_.back().sp) frames_.pop_back();
  }
  void Clear() { frames_.clear(); }

 private:
  std::vector<Frame> frames_;
};

}  // namespace kv74::debug
