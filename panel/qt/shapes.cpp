#include "panel/qt/shapes.hpp"

#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

namespace kv74::qt {
namespace {

void Head(QPainter& p, QPointF tip, QPointF dir, qreal head, const QColor& fill) {
  qreal len = std::hypot(dir.x(), dir.y());
  if (len == 0) return;
  QPointF u = dir / len;
  QPointF n(-u.y(), u.x());
  QPointF base = tip - u * head;
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPolygon(QPolygonF({tip, base + n * head * 0.6, base - n * head * 0.6}));
  p.restore();
}

QPointF Shortened(QPointF from, QPointF to, qreal by) {
  QPointF d = to - from;
  qreal len = std::hypot(d.x(), d.y());
  if (len <= by) return from;
  return to - d / len * by;
}

}  // namespace

QPen Pen(const QColor& colour, qreal width) {
  QPen pen(colour, width);
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

void Arrow(QPainter& p, QPointF from, QPointF to, qreal head, const QColor& fill) {
  p.drawLine(from, Shortened(from, to, head * 0.8));
  Head(p, to, to - from, head, fill);
}

void DoubleArrow(QPainter& p, QPointF a, QPointF b, qreal head, const QColor& fill) {
  p.drawLine(Shortened(b, a, head * 0.8), Shortened(a, b, head * 0.8));
  Head(p, b, b - a, head, fill);
  Head(p, a, a - b, head, fill);
}

void Diamond(QPainter& p, QPointF c, qreal r, const QPen& pen) {
  p.save();
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawPolygon(
      QPolygonF({{c.x(), c.y() - r}, {c.x() + r, c.y()}, {c.x(), c.y() + r}, {c.x() - r, c.y()}}));
  p.restore();
}

void ArcArrow(QPainter& p, QPointF c, qreal r, qreal startDeg, qreal spanDeg, qreal head,
              const QColor& fill) {
  QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
  // Leave room for the head at the end of the arc.
  qreal headDeg = qRadiansToDegrees(head * 0.7 / r) * (spanDeg < 0 ? -1 : 1);
  QPainterPath path;
  path.arcMoveTo(box, startDeg);
  path.arcTo(box, startDeg, spanDeg - headDeg);
  p.save();
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  p.restore();
  qreal end = qDegreesToRadians(startDeg + spanDeg);
  QPointF tip(c.x() + r * qCos(end), c.y() - r * qSin(end));
  QPointF dir(-qSin(end), -qCos(end));
  if (spanDeg < 0) dir = -dir;
  Head(p, tip, dir, head, fill);
}

}  // namespace kv74::qt
