// A digit indicator: one green seven-segment character behind glass, in a lowered bevel. The
// unlit segments show faintly, as on the controller's display.
#pragma once

#include <QFrame>

#include "panel/surface.hpp"

namespace kv74::qt {

class DigitIndicator final : public QFrame, public Control {
 public:
  DigitIndicator(const QString& name, QWidget* parent);

  void SetCaption(const std::string& text) override;
  std::string Caption() const override { return caption_.toStdString(); }
  void SetColour(std::uint32_t) override {}
  std::uint32_t Colour() const override { return colour::GREEN; }
  bool IsDown() const override { return false; }
  void SetDown(bool) override {}

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
};

}  // namespace kv74::qt
