// A lamp of the panel: a coloured panel with a single border line, optionally a one-letter
// caption (the signal lamps), optionally clickable (the input lamps). A key frame lamp is a lamp
// that holds its key, so that a lit lamp shows as a ring around the key.
#pragma once

#include <QFrame>

#include "panel/surface.hpp"

namespace kv74::qt {

class Lamp final : public QFrame, public Control {
  Q_OBJECT

 public:
  Lamp(const QString& name, std::uint32_t colour, QWidget* parent);

  void SetCaption(const std::string& text) override;
  std::string Caption() const override { return caption_.toStdString(); }
  void SetColour(std::uint32_t bgr) override;
  std::uint32_t Colour() const override { return colour_; }
  bool IsDown() const override { return false; }
  void SetDown(bool) override {}

  void SetClickable(bool clickable);
  // A port lamp's bit number, drawn small in a corner; not part of the caption.
  void SetNumber(int number);

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::uint32_t colour_;
  QString caption_;
  bool clickable_ = false;
  bool pressed_ = false;
  int number_ = -1;
};

}  // namespace kv74::qt
