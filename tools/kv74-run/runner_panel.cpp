#include "runner_panel.hpp"

#include <cstdio>

#include "panel/click.hpp"
#include "panel/panel_json.hpp"

namespace kv74 {

RunnerPanel::RunnerPanel(BoardState& m, const std::filesystem::path& traceDirectory)
    : logic_(m, surface_, canvas_, PanelOptions{traceDirectory, [](const std::string& message) {
                                                  std::fprintf(stderr, "kv74-run: %s\n",
                                                               message.c_str());
                                                }}) {}

bool RunnerPanel::IsClickable(std::string_view name) const { return kv74::IsClickable(name); }

void RunnerPanel::Click(std::string_view name) { ClickControl(logic_, surface_, name); }

void RunnerPanel::WriteJsonMembers(JsonWriter& w) const {
  w.Key("panel");
  w.Raw(PanelJson(surface_, logic_));
}

bool RunnerPanel::SavePlot(const std::filesystem::path& path, std::string* error) const {
  return canvas_.SavePng(path, error);
}

}  // namespace kv74
