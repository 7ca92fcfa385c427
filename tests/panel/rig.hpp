// A panel over a table surface and a recording canvas, with its trace in a fresh directory.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "board/machine.hpp"
#include "panel/panel.hpp"
#include "panel/table_surface.hpp"

namespace kv74::test {

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kv74-panel-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

struct RingCall {
  int column, row;
  std::uint32_t pen;
  friend bool operator==(const RingCall&, const RingCall&) = default;
};

class RecordingCanvas final : public PlotCanvas {
 public:
  void Clear() override { ++clears; }
  void Ring(int column, int row, std::uint32_t pen) override {
    rings.push_back({column, row, pen});
  }
  int clears = 0;
  std::vector<RingCall> rings;
};

struct Rig {
  explicit Rig(PanelOptions options = {}) {
    if (options.traceDirectory == ".") options.traceDirectory = dir.Path();
    if (!options.warn) options.warn = [this](const std::string& w) { warnings.push_back(w); };
    panel = std::make_unique<PanelLogic>(*m, surface, canvas, std::move(options));
  }

  std::string Caption(std::string_view name) { return surface.Find(name)->Caption(); }
  std::uint32_t Colour(std::string_view name) { return surface.Find(name)->Colour(); }
  void SetData(std::uint32_t address, std::uint16_t v) { m->DataMemory[address - DATA_BASE] = v; }
  void SetPair(std::uint16_t hiAddress, std::int32_t v) {
    SetData(hiAddress, static_cast<std::uint16_t>(static_cast<std::uint32_t>(v) >> 16));
    SetData(hiAddress + 1u, static_cast<std::uint16_t>(v & 0xFFFF));
  }
  void Notify(std::uint32_t bits) {
    m->NotifyWord = bits;
    panel->RefreshPanel();
  }
  std::filesystem::path TracePath() const { return dir.Path() / "prog.txt"; }

  ScratchDir dir;
  std::unique_ptr<BoardState> m = std::make_unique<BoardState>();
  TableSurface surface;
  RecordingCanvas canvas;
  std::vector<std::string> warnings;
  std::unique_ptr<PanelLogic> panel;
};

}  // namespace kv74::test
