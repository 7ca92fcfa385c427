#include "panel/qt/lamp.hpp"

#include <QMouseEvent>
#include <QPainter>

#include "panel/qt/look.hpp"

namespace kv74::qt {

Lamp::Lamp(const QString& name, std::uint32_t colour, QWidget* parent)
    : QFrame(parent), colour_(colour) {
  setObjectName(name);
}

void Lamp::SetCaption(const std::string& text) {
  QString t = QString::fromStdString(text);
  if (t == caption_) return;
  caption_ = t;
  update();
}

void Lamp::SetColour(std::uint32_t bgr) {
  if (bgr == colour_) return;
  colour_ = bgr;
  update();
}

void Lamp::SetClickable(bool clickable) {
  clickable_ = clickable;
  setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void Lamp::SetNumber(int number) {
  number_ = number;
  update();
}

void Lamp::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QRect r = rect();
  p.fillRect(r, FromBgr(colour_));
  p.setPen(FromBgr(appearance::LAMP_BORDER));
  p.drawRect(r.adjusted(0, 0, -1, -1));
  if (!caption_.isEmpty()) {
    p.setPen(look::kLampCaption);
    p.setFont(font());
    p.drawText(r, Qt::AlignCenter, caption_);
  }
  if (number_ >= 0) {
    p.setPen(FromBgr(appearance::LAMP_NUMBER));
    p.setFont(PanelFont(appearance::LAMP_NUMBER_PIXELS));
    p.drawText(r, Qt::AlignCenter, QString::number(number_));
  }
}

void Lamp::mousePressEvent(QMouseEvent* event) {
  pressed_ = clickable_ && event->button() == Qt::LeftButton;
  QFrame::mousePressEvent(event);
}

void Lamp::mouseReleaseEvent(QMouseEvent* event) {
  bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->pos());
  pressed_ = false;
  QFrame::mouseReleaseEvent(event);
  if (click) emit clicked();
}

}  // namespace kv74::qt
