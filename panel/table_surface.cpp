#include "panel/table_surface.hpp"

#include "panel/controls.hpp"

namespace kv74 {

TableSurface::TableSurface() {
  for (const ControlInfo& info : PanelControls()) {
    controls_.try_emplace(std::string(info.name), std::string(info.caption), info.colour);
  }
}

Control* TableSurface::Find(std::string_view name) {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : &it->second;
}

}  // namespace kv74
