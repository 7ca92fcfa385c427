// Small drawing helpers for the key pictures and decorations.
#pragma once

#include <QPainter>
#include <QPen>
#include <QPointF>

namespace kv74::qt {

QPen Pen(const QColor& colour, qreal width);

// A line from `from` to `to` in the current pen with a filled head of length `head` at `to`.
void Arrow(QPainter& p, QPointF from, QPointF to, qreal head, const QColor& fill);
void DoubleArrow(QPainter& p, QPointF a, QPointF b, qreal head, const QColor& fill);

// The outline of a diamond (a square on its corner) of the given half-diagonal.
void Diamond(QPainter& p, QPointF centre, qreal r, const QPen& pen);

// An arc of a circle from startDeg over spanDeg (counter-clockwise, degrees) in the current pen,
// with a filled head at its end.
void ArcArrow(QPainter& p, QPointF centre, qreal r, qreal startDeg, qreal spanDeg, qreal head,
              const QColor& fill);

}  // namespace kv74::qt
