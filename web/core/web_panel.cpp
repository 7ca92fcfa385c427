#include "web/core/web_panel.hpp"

#include "panel/controls.hpp"
#include "panel/panel_json.hpp"

namespace kv74::web {

void PlotRecorder::Clear() {
  picture_.Clear();
  Note({0, 0, 0, 0});
}

void PlotRecorder::Ring(int column, int row, std::uint32_t pen) {
  picture_.Ring(column, row, pen);
  Note({1, row, column, pen});
}

void PlotRecorder::MarkChanged() {
  changed_ = true;
  calls_.clear();
}

void PlotRecorder::Forget() {
  changed_ = false;
  calls_.clear();
}

void PlotRecorder::Note(const Call& c) {
  if (changed_) return;  // the whole picture goes anyway
  if (calls_.size() == kMaxCalls) {
    MarkChanged();
    return;
  }
  calls_.push_back(c);
}

WebPanel::WebPanel(BoardState& m, const std::filesystem::path& traceDirectory, WarningSink warn)
    : logic_(m, surface_, plot_, PanelOptions{traceDirectory, std::move(warn)}) {}

std::string WebPanel::DownJson() {
  std::string out = "[";
  for (const ControlInfo& c : PanelControls()) {
    if (c.kind != ControlKind::JogToggle && c.kind != ControlKind::Toggle) continue;
    const Control* control = surface_.Find(c.name);
    if (control == nullptr || !control->IsDown()) continue;
    if (out.size() > 1) out += ',';
    out += JsonString(c.name);
  }
  return out + "]";
}

}  // namespace kv74::web
