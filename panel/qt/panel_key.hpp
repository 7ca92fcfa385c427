// A key of the panel: a push button with a caption or a picture. The jog keys and uskor are
// checkable; the strip's buttons are keys too, so that every named control answers Find.
#pragma once

#include <QPushButton>

#include "panel/surface.hpp"

namespace kv74::qt {

class PanelKey final : public QPushButton, public Control {
 public:
  PanelKey(const QString& name, QWidget* parent);

  void SetCaption(const std::string& text) override;
  std::string Caption() const override;
  void SetColour(std::uint32_t) override {}
  std::uint32_t Colour() const override { return colour::BUTTON_FACE; }
  bool IsDown() const override { return isCheckable() && isChecked(); }
  void SetDown(bool down) override;
};

}  // namespace kv74::qt
