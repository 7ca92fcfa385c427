// The snapshot loader on damaged snapshots: the input edits a valid snapshot (bytes changed,
// the file cut short, the checksum made to match again so the sections are read) or replaces it.
// Loading must either succeed or throw SnapshotError; a loaded state must run and save again.
// (Checkpoints are off: each would encode the plot picture, which is slow under the sanitizers.)
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "board/power.hpp"
#include "debug/bytes.hpp"
#include "debug/engine.hpp"
#include "debug/panel_target.hpp"
#include "panel/image_canvas.hpp"
#include "panel/table_surface.hpp"

namespace {

using namespace kv74;

struct Setup {
  std::unique_ptr<BoardState> m = std::make_unique<BoardState>();
  TableSurface surface;
  ImageCanvas canvas;
  PanelLogic logic{*m, surface, canvas, PanelOptions{"/nonexistent", [](const std::string&) {}}};
  debug::PanelTarget target{logic, surface, &canvas};
  debug::Engine engine{*m, target, debug::EngineOptions{64, 4, 16, false}};
  std::vector<std::uint8_t> valid;

  Setup() {
    PowerOn(*m);
    m->ProgramMemory[0] = 0x6300;  // a jump on the spot
    engine.Continue(10);
    engine.Click("k0x2B");
    engine.Click("mash");
    engine.Continue(10);
    valid = engine.SaveSnapshot();
  }
};

void FixChecksum(std::vector<std::uint8_t>& s) {
  if (s.size() < 20) return;
  const std::uint32_t crc = debug::Crc32(std::span(s).subspan(20));
  for (int i = 0; i < 4; ++i) s[16 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Setup setup;
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  std::vector<std::uint8_t> bytes;
  if (mode & 4) {
    bytes.assign(data + 1, data + size);
  } else {
    bytes = setup.valid;
    for (std::size_t i = 1; i + 3 <= size; i += 3) {
      const std::size_t at = (data[i] | (data[i + 1] << 8)) * 17u % bytes.size();
      bytes[at] ^= data[i + 2];
    }
    if (mode & 2) bytes.resize(bytes.size() * data[size - 1] / 256);
    if (mode & 1) FixChecksum(bytes);
  }
  try {
    setup.engine.LoadSnapshot(bytes);
  } catch (const debug::SnapshotError&) {
    return 0;
  }
  setup.engine.Continue(50);
  (void)setup.engine.SaveSnapshot();
  return 0;
}
