// The window's way of making a click that the emulation thread takes at a step boundary: the
// click runs on the window thread (toggles take their state, the panel logic's handler runs)
// while the emulation thread waits, as in the hand-over.
#pragma once

#include <QMetaObject>

#include "panel/click.hpp"
#include "panel/qt/form1.hpp"
#include "shell/window_run.hpp"

namespace kv74::shell {

class WindowClicks final : public ClickSink {
 public:
  WindowClicks(qt::TForm1& form, PanelLogic& panel) : form_(form), panel_(panel) {}

  void ApplyClick(const std::string& name) override {
    QMetaObject::invokeMethod(
        &form_, [this, &name] { ClickControl(panel_, form_, name); }, Qt::BlockingQueuedConnection);
  }

 private:
  qt::TForm1& form_;  // both outlive the emulation thread
  PanelLogic& panel_;
};

}  // namespace kv74::shell
