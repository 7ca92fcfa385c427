// The window as the run-control engine's target. The engine runs on the emulation thread; what it
// asks of the panel (a hand-over, a click, the panel's state for a snapshot) runs on the window
// thread while the emulation thread waits, as the hand-over always has.
#pragma once

#include "debug/target.hpp"
#include "panel/panel.hpp"
#include "panel/qt/form1.hpp"
#include "panel/qt/window_handover.hpp"
#include "shell/disp.hpp"

namespace kv74::shell {

class WindowTarget final : public debug::Target {
 public:
  WindowTarget(qt::TForm1& form, TDisp& disp, PanelLogic& panel)
      : form_(form), disp_(disp), panel_(panel), handover_(&form) {}

  void Handover(BoardState& m) override { handover_.Handover(m); }
  bool IsClickable(std::string_view name) const override;
  void Click(std::string_view name) override;
  std::vector<std::uint8_t> SavePanel() const override;
  // Throws debug::SnapshotError on the calling thread, changing nothing, for unusable bytes.
  void RestorePanel(std::span<const std::uint8_t> bytes) override;

 private:
  // Runs fn on the window thread and waits for it; an exception it throws is rethrown here.
  void OnWindowThread(const std::function<void()>& fn) const;

  qt::TForm1& form_;  // all outlive the emulation thread
  TDisp& disp_;
  PanelLogic& panel_;
  qt::WindowHandover handover_;
};

}  // namespace kv74::shell
