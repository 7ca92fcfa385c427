// One machine of the web page from power-on: the images, the panel and the run-control engine as
// the desktop window drives them (forward only, no history), so its snapshots are the desktop's.
// Single-threaded: the worker runs it in slices between the page's messages.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "board/machine.hpp"
#include "debug/engine.hpp"
#include "web/core/web_panel.hpp"

namespace kv74::web {

class Session {
 public:
  // Loads V4, AMT and RAM from imageDir (ImageError when one is missing), powers on, and starts
  // prog.txt in workDir. `script`: an input script's clicks, made at their steps (UsageError
  // naming the line when it is bad).
  Session(const std::filesystem::path& imageDir, const std::filesystem::path& workDir,
          std::string_view script = {});
  ~Session();

  std::uint64_t Steps() const { return engine_->Steps(); }
  // Runs at most n steps; returns the steps run.
  std::uint64_t Run(std::uint64_t n);
  // False when the name takes no clicks.
  bool Click(std::string_view name);

  // kv74-run's "panel" object, with "down" added when asked.
  std::string PanelJson(bool withDown);
  // prog.txt written since the last call; `reset` set when the file started again meanwhile.
  std::string TakeProgText(bool& reset);
  // Writes out prog.txt's buffered lines, e.g. before another session starts the file again.
  void FlushProg() { panel_->Logic().Trace().Flush(); }
  // The last line of prog.txt, without its line end.
  const std::string& Block() const { return block_; }
  PlotRecorder& Plot() { return panel_->Plot(); }

  std::vector<std::uint8_t> SaveSnapshot() { return engine_->SaveSnapshot(); }
  // Throws SnapshotError, changing nothing, when the bytes are unusable.
  void LoadSnapshot(std::span<const std::uint8_t> bytes);
  // DataMemory as the RAM image: 4096 words, low byte first.
  std::vector<std::uint8_t> Ram() const;
  // The clicks since power-on as an input script.
  std::string Script() const;
  // What went wrong writing prog.txt, if anything.
  const std::string& Warning() const { return warning_; }

 private:
  std::unique_ptr<BoardState> m_;
  std::unique_ptr<WebPanel> panel_;
  std::unique_ptr<debug::Engine> engine_;
  std::filesystem::path progPath_;
  std::uintmax_t progRead_ = 0;
  bool progReset_ = true;
  std::string partial_;  // the last line read, until its line end
  std::string block_;
  std::string warning_;
};

}  // namespace kv74::web
