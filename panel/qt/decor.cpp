#include "panel/qt/decor.hpp"

#include <QPainter>

#include "panel/qt/look.hpp"
#include "panel/qt/shapes.hpp"

namespace kv74::qt {
namespace {

const QColor kInk(0, 0, 0);

// Drawn in a 40 x 52 unit box.
void PaintKadrPicture(QPainter& p) {
  p.setPen(Pen(kInk, 1.5));
  Arrow(p, {6, 48}, {6, 22}, 4, kInk);
  Arrow(p, {6, 48}, {38, 48}, 4, kInk);
  p.drawLine(QPointF(10, 4), QPointF(10, 16));
  p.drawLine(QPointF(34, 4), QPointF(34, 16));
  DoubleArrow(p, {11, 10}, {33, 10}, 4, kInk);
  p.setPen(Pen(QColor(0, 0, 128), 2));
  p.drawPolyline(QPolygonF({{10, 40}, {15, 28}, {20, 40}, {25, 28}, {30, 40}, {35, 28}}));
}

// One small pictogram under each of the seven indicators: a sign, then the digits with a
// decimal point before the last three.
void PaintDigitPictograms(QPainter& p, int width) {
  p.setPen(Pen(kInk, 1));
  const qreal step = width / 7.0;
  QFont f = PanelFont(10, true);
  p.setFont(f);
  p.drawText(QRectF(0, 0, step, 12), Qt::AlignCenter, QString::fromUtf8("±"));
  for (int i = 1; i < 7; ++i) {
    qreal cx = step * (i + 0.5);
    p.drawLine(QPointF(cx - 8, 3), QPointF(cx + 8, 3));
    p.drawLine(QPointF(cx - 8, 3), QPointF(cx - 8, 6));
    p.drawLine(QPointF(cx + 8, 3), QPointF(cx + 8, 6));
  }
  p.setBrush(kInk);
  p.drawEllipse(QPointF(step * 4, 8), 1.6, 1.6);
}

}  // namespace

Decoration::Decoration(const QString& name, DecorKind kind, QWidget* parent)
    : QWidget(parent), kind_(kind) {
  setObjectName(name);
}

void Decoration::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  if (kind_ == DecorKind::KadrPicture) {
    p.scale(width() / 40.0, height() / 52.0);
    PaintKadrPicture(p);
  } else {
    PaintDigitPictograms(p, width());
  }
}

}  // namespace kv74::qt
