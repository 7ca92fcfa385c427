// The value panels of the bottom strip and the text labels beside lamps and fields.
#pragma once

#include <QLabel>

#include "panel/surface.hpp"

namespace kv74::qt {

class TextControl : public QLabel, public Control {
 public:
  TextControl(const QString& name, QWidget* parent);

  void SetCaption(const std::string& text) override;
  std::string Caption() const override { return text().toStdString(); }
  void SetColour(std::uint32_t) override {}
  std::uint32_t Colour() const override { return colour_; }
  bool IsDown() const override { return false; }
  void SetDown(bool) override {}

 protected:
  std::uint32_t colour_ = colour::BUTTON_FACE;
};

// Lowered bevel, tooltip-background colour, bold text.
class ValueField final : public TextControl {
 public:
  ValueField(const QString& name, QWidget* parent);
};

class PanelLabel final : public TextControl {
 public:
  using TextControl::TextControl;
};

}  // namespace kv74::qt
