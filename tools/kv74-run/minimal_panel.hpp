// A stand-in panel for the runner until the panel logic is wired in: the hand-over only clears
// NotifyWord, and clicks act on the machine the way the panel's handlers do for keys, jog
// toggles, the speed-up toggle and the input lamps.
#pragma once

#include <cstdint>

#include "emu/machine.hpp"
#include "scripted_panel.hpp"

namespace kv74 {

class MinimalPanel final : public ScriptedPanel {
 public:
  explicit MinimalPanel(MachineState& m) : m_(m) {}

  void Handover(MachineState& m) override { m.NotifyWord = 0; }
  bool IsClickable(std::string_view name) const override;
  void Click(std::string_view name) override;

  std::uint32_t JogDown() const { return jogDown_; }
  bool SpeedUp() const { return speedUp_; }

 private:
  void ClickJog(int index);

  MachineState& m_;
  std::uint32_t jogDown_ = 0;  // jog:: bit of the toggle that is down, or 0
  bool speedUp_ = false;       // uskor
};

}  // namespace kv74
