// The panel logic as an engine target: hand-over, clicks by name, and its state as bytes
// (every control's caption, colour and down state; the logic's lamp pattern, block display gate,
// plot scale, previous point and trace position; the plot picture, run-length coded). The runner
// uses it with its table of controls and picture; the window can use the codec with its widgets
// and its own picture.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "debug/target.hpp"
#include "panel/image_canvas.hpp"
#include "panel/panel.hpp"
#include "panel/surface.hpp"

namespace kv74::debug {

struct PanelSnapshot {
  struct ControlState {
    std::string caption;
    std::uint32_t colour = 0;
    bool down = false;
  };
  std::vector<ControlState> controls;  // PanelControls() order; controls the surface lacks skipped
  PanelLogic::State logic;
  std::vector<std::uint8_t> picture;  // PLOT_WIDTH x PLOT_HEIGHT RGB, or empty
};

PanelSnapshot CapturePanel(const PanelLogic& logic, ControlSurface& surface,
                           std::span<const std::uint8_t> picture);
void ApplyPanel(const PanelSnapshot& s, PanelLogic& logic, ControlSurface& surface);
std::vector<std::uint8_t> EncodePanel(const PanelSnapshot& s);
// Throws SnapshotError; `surface` tells how many controls to expect.
PanelSnapshot DecodePanel(std::span<const std::uint8_t> bytes, ControlSurface& surface);

class PanelTarget final : public Target {
 public:
  // `canvas` may be null when the picture is kept elsewhere.
  PanelTarget(PanelLogic& logic, ControlSurface& surface, ImageCanvas* canvas)
      : logic_(logic), surface_(surface), canvas_(canvas) {}

  void Handover(BoardState&) override { logic_.RefreshPanel(); }
  bool IsClickable(std::string_view name) const override;
  void Click(std::string_view name) override;
  std::vector<std::uint8_t> SavePanel() const override;
  void RestorePanel(std::span<const std::uint8_t> bytes) override;

 private:
  PanelLogic& logic_;
  ControlSurface& surface_;
  ImageCanvas* canvas_;
};

}  // namespace kv74::debug
