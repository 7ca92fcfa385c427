#include "cpu/shared.hpp"
#include "panel/cells.hpp"
#include "panel/lamps.hpp"
#include "panel/panel.hpp"

namespace kv74 {
namespace {

// Indicator groups 2..4 follow group 1 in NotifyWord.
constexpr std::uint32_t IND2 = notify::IND1 << 1;
constexpr std::uint32_t IND3 = notify::IND1 << 2;
constexpr std::uint32_t IND4 = notify::IND1 << 3;

void SetText(ControlSurface& s, std::string_view name, const std::string& text) {
  if (Control* c = s.Find(name)) c->SetCaption(text);
}

}  // namespace

void PanelLogic::RefreshPanel() {
  const std::uint32_t bits = m_.NotifyWord;
  if (bits == 0) return;

  // Only the lowest of bits 1..7 is acted on; the others are cleared with the rest.
  if ((bits & notify::IND1) != 0) {
    ShowIndicatorGroup(1);
  } else if ((bits & IND2) != 0) {
    Control* frame = s_.Find("v1_5");
    if (frame == nullptr || frame->Colour() != colour::RED) DecodeBlock();
    ShowIndicatorGroup(2);
  } else if ((bits & IND3) != 0) {
    ShowIndicatorGroup(3);
  } else if ((bits & IND4) != 0) {
    ShowIndicatorGroup(4);
  } else if ((bits & notify::KEYLAMPS) != 0) {
    lampPattern_ = LampPatternFlagOf(m_[reg::KEYLAMPS]);
    ShowKeyLamps();
  } else if ((bits & notify::SIGLAMPS) != 0) {
    ShowSignalLamps();
  } else if ((bits & notify::PORT_OUT) != 0) {
    ShowOutputLamps();
  }

  if ((bits & notify::POSITION) != 0) {
    SetText(s_, "x", std::to_string(DataPair(m_, cell::POSITION_X_HI) / 2));
    SetText(s_, "z", std::to_string(DataPair(m_, cell::POSITION_Z_HI) / 2));
    UpdatePlot();
  }
  if ((bits & notify::SEQ_LATCHED) != 0) {
    std::uint16_t code = m_.sequencer.code;
    if ((code & 7) == 1) SetText(s_, "m", HandshakeByteText(code));
    if ((code & 7) == 4) SetText(s_, "t", HandshakeByteText(code));
  }
  if ((bits & notify::FEED) != 0) {
    SetText(s_, "f", std::to_string(DataWord(m_, cell::FEED_RATE)));
  }
  if ((bits & notify::SPINDLE) != 0) {
    SetText(s_, "s", std::to_string(static_cast<std::int16_t>(DataWord(m_, cell::SPINDLE_SPEED))));
  }
  if ((bits & notify::SEQ_INPUT) != 0) ShowInputLamps();

  m_.NotifyWord = 0;
}

void PanelLogic::ShowIndicatorGroup(int g) {
  if (g < 1 || g > 4) return;
  ShowIndicators(s_, g, m_[IndicatorWord(g)]);
}

void PanelLogic::ShowKeyLamps() { ShowLampRow(s_, KEY_LAMPS, m_[reg::KEYLAMPS]); }
void PanelLogic::ShowSignalLamps() { ShowLampRow(s_, SIGNAL_LAMPS, m_[reg::SIGLAMPS]); }
void PanelLogic::ShowOutputLamps() { ShowLampRow(s_, OUTPUT_LAMPS, m_[reg::PORT_OUT]); }

// Also called at start-up while the processor may already run: word 35 is read atomically.
void PanelLogic::ShowInputLamps() { ShowLampRow(s_, INPUT_LAMPS, LoadShared(m_, reg::PORT_IN)); }

}  // namespace kv74
