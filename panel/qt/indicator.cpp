#include "panel/qt/indicator.hpp"

#include <QFontMetricsF>
#include <QPainter>

#include "panel/qt/look.hpp"

namespace kv74::qt {
namespace {

// The segment font has no plus sign: draw the middle segment and a vertical bar through it.
void DrawPlus(QPainter& p, const QRectF& r, const QColor& colour) {
  QPointF c = r.center();
  qreal arm = r.width() * 0.34;
  qreal thick = 3.5;
  p.fillRect(QRectF(c.x() - arm, c.y() - thick / 2, 2 * arm, thick), colour);
  p.fillRect(QRectF(c.x() - thick / 2, c.y() - arm, thick, 2 * arm), colour);
}

}  // namespace

DigitIndicator::DigitIndicator(const QString& name, QWidget* parent) : QFrame(parent) {
  setObjectName(name);
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
}

void DigitIndicator::SetCaption(const std::string& text) {
  QString t = QString::fromStdString(text);
  if (t == caption_) return;
  caption_ = t;
  update();
}

void DigitIndicator::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter p(this);
  QRect glass = contentsRect();
  p.fillRect(glass, look::kDisplayGlass);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setRenderHint(QPainter::Antialiasing);
  QFont font = SegmentFont(appearance::DIGIT_PIXELS);
  p.setFont(font);
  QString shown = caption_.trimmed();
  if (!HaveSegmentFont()) {
    p.setPen(look::kSegmentLit);
    p.drawText(glass, Qt::AlignCenter, shown);
    return;
  }
  // Every character is drawn over the same place as a full "8", whose unlit segments show.
  QFontMetricsF fm(font);
  QRectF eight = fm.tightBoundingRect("8");
  QPointF origin = QRectF(glass).center() - eight.center();
  p.setPen(look::kSegmentDark);
  p.drawText(origin, "8");
  if (shown.isEmpty()) return;
  QRectF cell = eight.translated(origin);
  if (shown == "+") {
    DrawPlus(p, cell, look::kSegmentLit);
    return;
  }
  p.setPen(look::kSegmentLit);
  if (shown == "C") {
    // The font's C is the lower-case shape; the display shows a "0" without its right segments.
    p.setClipRect(
        QRectF(cell.left() - 2, cell.top() - 2, cell.width() * 0.7 + 2, cell.height() + 4));
    p.drawText(origin, "0");
    return;
  }
  p.drawText(origin, shown);
}

}  // namespace kv74::qt
