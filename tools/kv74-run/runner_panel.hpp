// The runner's panel: the panel logic acting on a table of controls instead of widgets, so a
// headless run shows exactly what the window would, and a picture of the plot in memory.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "board/machine.hpp"
#include "debug/panel_target.hpp"
#include "panel/image_canvas.hpp"
#include "panel/panel.hpp"
#include "panel/table_surface.hpp"
#include "scripted_panel.hpp"

namespace kv74 {

class RunnerPanel final : public ScriptedPanel {
 public:
  // prog.txt goes into traceDirectory; trouble writing it is told once on standard error.
  RunnerPanel(BoardState& m, const std::filesystem::path& traceDirectory);

  // What the window's construction does for the panel: input lamps from word 35, plot scale 1,
  // prog.txt emptied. Call after power-on, before the first step.
  void StartUp() { logic_.StartUp(); }

  void Handover(BoardState&) override { logic_.RefreshPanel(); }
  bool IsClickable(std::string_view name) const override;
  void Click(std::string_view name) override;
  // Adds "panel": captions, lamp colours, LampPatternFlag, TraceGate, ScaleFactor, previousPoint.
  void WriteJsonMembers(JsonWriter& w) const override;

  // Writes the plot as it stands to a PNG; false with *error set on failure.
  bool SavePlot(const std::filesystem::path& path, std::string* error) const;
  bool SavePlot(std::FILE* file, std::string* error) const { return canvas_.SavePng(file, error); }
  // Pushes the buffered trace lines to prog.txt.
  void FlushTrace() { logic_.Trace().Flush(); }
  // True when prog.txt could not be opened or written (the user has been told why).
  bool TraceFailed() { return logic_.Trace().Failed(); }

  Control* Find(std::string_view name) { return surface_.Find(name); }
  ControlSurface& Surface() { return surface_; }
  const PanelLogic& Logic() const { return logic_; }
  // The panel as the run-control engine drives it (clicks, hand-overs, snapshots).
  debug::PanelTarget& DebugTarget() { return target_; }

 private:
  mutable TableSurface surface_;
  ImageCanvas canvas_;
  PanelLogic logic_;
  debug::PanelTarget target_{logic_, surface_, &canvas_};
};

}  // namespace kv74
