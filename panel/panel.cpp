#include "panel/panel.hpp"

#include "cpu/shared.hpp"
#include "panel/block.hpp"
#include "panel/cells.hpp"
#include "panel/lamps.hpp"

namespace kv74 {

PanelLogic::PanelLogic(BoardState& m, ControlSurface& s, PlotCanvas& canvas, PanelOptions options)
    : m_(m),
      s_(s),
      canvas_(canvas),
      traceDirectory_(std::move(options.traceDirectory)),
      trace_(std::move(options.warn)) {}

void PanelLogic::StartUp() {
  ShowInputLamps();
  scale_ = 1;
  trace_.Open(traceDirectory_);
}

void PanelLogic::DecodeBlock() {
  std::uint16_t n = DataWord(m_, cell::BLOCK_INDEX);
  if (traceGate_ != 0 && n < traceGate_) return;
  BlockText block = DecodeBlockAt(m_, n);
  // An entry without the end mark (a block of two or more entries, or one cut off by the end of
  // RAM) closes the gate until the index reaches the entry after the block.
  const bool open = block.entries == 0 || (block.entries == 1 && block.complete);
  traceGate_ = open ? 0 : static_cast<std::int32_t>(n + block.entries);
  std::string index = std::to_string(static_cast<std::int16_t>(n));
  if (Control* kom = s_.Find("kom")) kom->SetCaption(block.text);
  trace_.Line(index + " -> " + block.text);
  if (Control* field = s_.Find("n")) field->SetCaption(index);
}

void PanelLogic::UpdatePlot() {
  canvas_.Ring(previous_.column, previous_.row, colour::BLACK);
  PlotPoint p =
      MapPosition(DataPair(m_, cell::POSITION_X_HI), DataPair(m_, cell::POSITION_Z_HI), scale_);
  previous_ = p;
  if (IsDrawn(p)) canvas_.Ring(p.column, p.row, colour::WHITE);
}

void PanelLogic::RestoreState(const State& s) {
  lampPattern_ = s.lampPattern;
  traceGate_ = s.traceGate;
  scale_ = s.scale;
  previous_ = s.previous;
  trace_.SetLines(s.traceLines);
}

void PanelLogic::cleaClick() { canvas_.Clear(); }

void PanelLogic::mashClick() { scale_ = NextScale(scale_); }

}  // namespace kv74
