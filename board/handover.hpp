// The one narrow interface through which the core reaches outward: after a step that left
// NotifyWord non-zero, the emulation loop hands the machine to a receiver and waits for it.
#pragma once

#include "board/machine.hpp"

namespace kv74 {

class HandoverReceiver {
 public:
  virtual ~HandoverReceiver() = default;
  // Called on the emulation thread; returns once the receiver has acted on NotifyWord and
  // cleared it. The processor stands still meanwhile.
  virtual void Handover(BoardState& m) = 0;
};

}  // namespace kv74
