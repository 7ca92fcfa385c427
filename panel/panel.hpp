// The operator panel's behaviour, independent of any widget toolkit. It acts on the controls of a
// ControlSurface by their binding names and draws on a PlotCanvas.
//
// Threads: RefreshPanel runs on the window thread while the emulation thread waits in the
// hand-over; the click handlers run on the window thread while the processor runs and touch the
// machine only through words 33 and 35, the jog buttons and one relaxed read of the block index.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "board/handover.hpp"
#include "board/machine.hpp"
#include "panel/plot.hpp"
#include "panel/surface.hpp"
#include "panel/trace.hpp"

namespace kv74 {

struct PanelOptions {
  std::filesystem::path traceDirectory = ".";  // where prog.txt is written
  WarningSink warn;                            // told once if the trace cannot be written
};

class PanelLogic final : public HandoverReceiver {
 public:
  PanelLogic(BoardState& m, ControlSurface& s, PlotCanvas& canvas, PanelOptions options = {});

  // The panel's part of the window's construction: input lamps from word 35, plot scale 1,
  // trace file opened (and emptied).
  void StartUp();

  // The hand-over: redraw what NotifyWord names, then clear it.
  void RefreshPanel();
  void Handover(BoardState&) override { RefreshPanel(); }

  // Click handlers, by the clicked control's name. For a jog toggle, call PultKeyClik after the
  // toggle has taken its new state; it releases the other jog toggles itself.
  void PultKeyClik(std::string_view key);
  void KEoutClick(std::string_view lamp);
  void cleaClick();
  void mashClick();

  // Steps of the refresh.
  void ShowIndicatorGroup(int g);
  void ShowKeyLamps();
  void ShowSignalLamps();
  void ShowOutputLamps();
  void ShowInputLamps();
  void DecodeBlock();
  void UpdatePlot();

  // What the panel logic keeps beside its controls and canvas, for snapshots.
  struct State {
    bool lampPattern = false;
    std::int32_t traceGate = 0;
    int scale = 1;
    PlotPoint previous{};
    std::uint64_t traceLines = 0;
  };
  State SaveState() const { return {lampPattern_, traceGate_, scale_, previous_, trace_.Lines()}; }
  void RestoreState(const State& s);

  bool LampPatternFlag() const { return lampPattern_; }
  std::int32_t TraceGate() const { return traceGate_; }
  int ScaleFactor() const { return scale_; }
  PlotPoint PreviousPoint() const { return previous_; }
  TraceLog& Trace() { return trace_; }

 private:
  BoardState& m_;
  ControlSurface& s_;
  PlotCanvas& canvas_;
  std::filesystem::path traceDirectory_;
  TraceLog trace_;
  bool lampPattern_ = false;
  std::int32_t traceGate_ = 0;
  int scale_ = 1;
  PlotPoint previous_{};
};

}  // namespace kv74
