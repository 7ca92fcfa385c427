// The panel logic on a table surface under arbitrary sequences of machine stores, hand-overs and
// clicks. Each action takes one byte (mod 3) and its operands:
//   0  a machine record (fuzz/machine_input.hpp)
//   1  a hand-over with the next four bytes as NotifyWord, which the refresh must clear
//   2  a click on the control the next byte picks from the panel's list
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "fuzz/machine_input.hpp"
#include "panel/click.hpp"
#include "panel/controls.hpp"
#include "panel/image_canvas.hpp"
#include "panel/panel.hpp"
#include "panel/table_surface.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path& TraceDir() {
  static const fs::path dir = [] {
    std::string pattern = (fs::temp_directory_path() / "kv74-fuzz-panel-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    std::atexit([] { fs::remove_all(TraceDir()); });
    return fs::path(pattern);
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static kv74::ImageCanvas canvas;  // large; kept between runs
  auto m = std::make_unique<kv74::BoardState>();
  kv74::TableSurface surface;
  kv74::PanelLogic panel(*m, surface, canvas, {TraceDir(), [](const std::string&) {}});
  panel.StartUp();
  const auto controls = kv74::PanelControls();
  while (size > 0) {
    const unsigned action = data[0] % 3;
    ++data;
    --size;
    if (action == 0) {
      kv74::fuzz::LoadRecord(*m, data, size);
    } else if (action == 1 && size >= 4) {
      m->NotifyWord = data[0] | (data[1] << 8) | (data[2] << 16) | (std::uint32_t{data[3]} << 24);
      data += 4;
      size -= 4;
      panel.RefreshPanel();
      if (m->NotifyWord != 0) std::abort();
    } else if (action == 2 && size >= 1) {
      kv74::ClickControl(panel, surface, controls[data[0] % controls.size()].name);
      ++data;
      --size;
    } else {
      break;
    }
  }
  return 0;
}
