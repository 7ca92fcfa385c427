// The bundled firmware on a headless panel with an engine over it, and the plain run to compare
// the engine with: RunSteps between the clicks of the demo's automatic run.
#pragma once

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "board/image.hpp"
#include "board/power.hpp"
#include "board/thread.hpp"
#include "debug/engine.hpp"
#include "debug/machine_codec.hpp"
#include "debug/panel_target.hpp"
#include "panel/image_canvas.hpp"
#include "panel/panel.hpp"
#include "panel/table_surface.hpp"
#include "source_dir.hpp"
#include "tests/board/machine_diff.hpp"
#include "tests/runner/temp_dir.hpp"

namespace kv74::debug::testing {

using kv74::testing::MachineDifference;

// firmware/demo/auto-run.input as click events.
inline std::vector<ClickEvent> DemoClicks() {
  std::ifstream in(std::filesystem::path(KV74_SOURCE_DATA_DIR) / "../firmware/demo/auto-run.input");
  std::vector<ClickEvent> clicks;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    ClickEvent c;
    std::string verb;
    if (line.empty() || line[0] == '#' || !(words >> c.step >> verb >> c.name)) continue;
    clicks.push_back(c);
  }
  return clicks;
}

struct Board {
  test::TempDir dir;
  std::unique_ptr<BoardState> machine = std::make_unique<BoardState>();
  BoardState& m = *machine;
  TableSurface surface;
  ImageCanvas canvas;
  PanelLogic logic{m, surface, canvas, PanelOptions{dir.path(), [](const std::string&) {}}};
  PanelTarget target{logic, surface, &canvas};
  Engine engine;

  explicit Board(EngineOptions options = {}) : engine(m, target, options) {
    LoadImages(m, DefaultImageDir());
    PowerOn(m);
    logic.StartUp();
    engine.SetSchedule(DemoClicks());
  }

  // The run without the engine, on to step n: the machine's own loop, the demo clicks between.
  void PlainRun(std::uint64_t n) {
    for (;;) {
      for (; next_ < clicks_.size() && clicks_[next_].step == done_; ++next_) {
        target.Click(clicks_[next_].name);
      }
      if (done_ == n) return;
      const std::uint64_t until = next_ < clicks_.size() ? std::min(n, clicks_[next_].step) : n;
      RunSteps(m, until - done_, logic);
      done_ = until;
    }
  }

  std::vector<ClickEvent> clicks_ = DemoClicks();
  std::size_t next_ = 0;
  std::uint64_t done_ = 0;

  std::string Trace() {
    logic.Trace().Flush();
    std::ifstream in(dir / "prog.txt");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

}  // namespace kv74::debug::testing
