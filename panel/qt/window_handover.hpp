// The emulation thread's hand-over to the panel window: a blocking queued call into the window's
// thread, so that the processor stands still until the panel has redrawn.
#pragma once

#include "board/handover.hpp"
#include "panel/qt/form1.hpp"

namespace kv74::qt {

class WindowHandover final : public HandoverReceiver {
 public:
  explicit WindowHandover(TForm1* form) : form_(form) {}

  // Called on the emulation thread; never on the window's own thread.
  void Handover(BoardState& m) override;

 private:
  TForm1* form_;  // outlives the emulation thread
};

}  // namespace kv74::qt
