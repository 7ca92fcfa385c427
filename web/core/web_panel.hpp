// The web page's panel: the panel logic on a table of controls, its plot drawn into a picture in
// memory and kept call by call for the page to draw the same, prog.txt in the module's file
// system.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "board/machine.hpp"
#include "debug/panel_target.hpp"
#include "panel/image_canvas.hpp"
#include "panel/panel.hpp"
#include "panel/table_surface.hpp"

namespace kv74::web {

// A canvas that draws into a picture and keeps the calls since they were last taken; past
// kMaxCalls it keeps none and tells the page to take the whole picture instead.
class PlotRecorder final : public PlotCanvas {
 public:
  static constexpr std::size_t kMaxCalls = 50000;
  struct Call {
    std::int32_t kind;  // 0 clear, 1 ring
    std::int32_t row, column;
    std::uint32_t pen;
  };

  void Clear() override;
  void Ring(int column, int row, std::uint32_t pen) override;

  ImageCanvas& Picture() { return picture_; }
  const std::vector<Call>& Calls() const { return calls_; }
  // True when the calls kept do not lead from the last picture taken to this one.
  bool PictureChanged() const { return changed_; }
  void MarkChanged();
  void Forget();  // the calls and the mark have been taken

 private:
  void Note(const Call& c);
  ImageCanvas picture_;
  std::vector<Call> calls_;
  bool changed_ = true;
};

class WebPanel {
 public:
  // prog.txt goes into traceDirectory; trouble writing it goes to `warn`.
  WebPanel(BoardState& m, const std::filesystem::path& traceDirectory, WarningSink warn);

  void StartUp() { logic_.StartUp(); }
  debug::PanelTarget& Target() { return target_; }
  PanelLogic& Logic() { return logic_; }
  TableSurface& Surface() { return surface_; }
  PlotRecorder& Plot() { return plot_; }
  // The names of the toggles that stand down, as a JSON array.
  std::string DownJson();

 private:
  TableSurface surface_;
  PlotRecorder plot_;
  PanelLogic logic_;
  debug::PanelTarget target_{logic_, surface_, &plot_.Picture()};
};

}  // namespace kv74::web
