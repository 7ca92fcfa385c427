#include "panel/qt/key_faces.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include "panel/qt/shapes.hpp"

namespace kv74::qt {
namespace {

using P = KeyPicture;

const QColor kNavy(0, 0, 128);
const QColor kRed(192, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kHand(255, 255, 192);

void Zigzag(QPainter& p, const QColor&) {
  p.setPen(Pen(kNavy, 2.5));
  p.drawPolyline(QPolygonF({{3, 22}, {9, 10}, {15, 22}, {21, 10}, {27, 22}}));
}

void AxesCorner(QPainter& p, const QColor& ink, QPointF origin, qreal up, qreal right) {
  p.setPen(Pen(ink, 2));
  Arrow(p, origin, origin + QPointF(0, -up), 3.5, ink);
  Arrow(p, origin, origin + QPointF(right, 0), 3.5, ink);
  p.setPen(Qt::NoPen);
  p.setBrush(kRed);
  p.drawEllipse(origin, 3, 3);
}

void AxesDimension(QPainter& p, const QColor& ink) {
  AxesCorner(p, ink, {6, 27}, 14, 23);
  p.setPen(Pen(ink, 1.5));
  p.drawLine(QPointF(11, 2), QPointF(11, 12));
  p.drawLine(QPointF(27, 2), QPointF(27, 12));
  DoubleArrow(p, {12, 7}, {26, 7}, 3.5, ink);
}

void ThreeSpokes(QPainter& p, const QColor& ink) {
  p.setPen(Pen(ink, 2));
  p.setBrush(Qt::NoBrush);
  QPointF c(16, 16);
  p.drawEllipse(c, 13, 13);
  p.drawEllipse(c, 3.5, 3.5);
  for (qreal deg : {90.0, 210.0, 330.0}) {
    qreal a = qDegreesToRadians(deg);
    QPointF dir(qCos(a), -qSin(a));
    p.drawLine(c + dir * 3.5, c + dir * 13);
  }
}

void OpenHand(QPainter& p, const QColor& ink) {
  QPainterPath hand;
  hand.addRoundedRect(QRectF(9, 14, 15, 15), 4, 4);
  const qreal tops[] = {6, 3.5, 4.5, 7};
  for (int i = 0; i < 4; ++i) {
    QPainterPath finger;
    finger.addRoundedRect(QRectF(9 + i * 3.75, tops[i], 3.6, 18 - tops[i]), 1.8, 1.8);
    hand = hand.united(finger);
  }
  QPainterPath thumb;
  thumb.addRoundedRect(QRectF(-2, -1.9, 11, 3.8), 1.9, 1.9);
  QTransform t;
  t.translate(11, 22);
  t.rotate(-140);
  hand = hand.united(t.map(thumb));
  p.setPen(Pen(ink, 1.2));
  p.setBrush(kHand);
  p.drawPath(hand.simplified());
}

void SquareArrows(QPainter& p, const QColor& ink) {
  p.setPen(Pen(ink, 2));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(10, 10, 12, 12));
  p.setPen(Pen(kNavy, 1.6));
  Arrow(p, {7, 5}, {25, 5}, 3.5, kNavy);
  Arrow(p, {27, 7}, {27, 25}, 3.5, kNavy);
  Arrow(p, {25, 27}, {7, 27}, 3.5, kNavy);
  Arrow(p, {5, 25}, {5, 7}, 3.5, kNavy);
}

void DiamondArrow(QPainter& p, const QColor& ink, bool left) {
  Diamond(p, {16, 16}, 14, Pen(ink, 2));
  p.setPen(Pen(kNavy, 2));
  if (left)
    Arrow(p, {23, 16}, {8, 16}, 4.5, kNavy);
  else
    Arrow(p, {9, 16}, {24, 16}, 4.5, kNavy);
}

void ArrowIntoSolid(QPainter& p, const QColor& ink) {
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  p.drawPolygon(QPolygonF({{15, 7}, {23, 7}, {30, 16}, {23, 25}, {15, 25}}));
  p.setPen(Pen(kNavy, 2));
  Arrow(p, {1, 16}, {13, 16}, 4.5, kNavy);
}

void ArrowInFramed(QPainter& p, const QColor& ink) {
  p.setPen(Pen(ink, 2));
  p.setBrush(Qt::NoBrush);
  p.drawPolygon(QPolygonF({{2, 6}, {21, 6}, {30, 16}, {21, 26}, {2, 26}}));
  p.setPen(Pen(kNavy, 2));
  Arrow(p, {6, 16}, {22, 16}, 4.5, kNavy);
}

void Chevron(QPainter& p, const QColor& ink, bool withP) {
  QPen pen = Pen(ink, withP ? 3 : 4);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  if (withP) {
    p.drawPolyline(QPolygonF({{7, 2}, {28, 16}, {7, 30}}));
    QFont f = p.font();
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kRed);
    p.drawText(QRectF(5, 8, 16, 16), Qt::AlignCenter, "P");
  } else {
    p.drawPolyline(QPolygonF({{9, 3}, {24, 16}, {9, 29}}));
  }
}

void Slashes(QPainter& p, const QColor& ink) {
  p.setPen(Pen(ink, 3));
  p.drawLine(QPointF(7, 27), QPointF(15, 5));
  p.drawLine(QPointF(17, 27), QPointF(25, 5));
}

void DiamondHArrows(QPainter& p, const QColor& ink) {
  Diamond(p, {16, 16}, 14, Pen(ink, 2));
  p.setPen(Pen(kNavy, 1.8));
  DoubleArrow(p, {7, 16}, {25, 16}, 4, kNavy);
}

void CircleTriangle(QPainter& p, const QColor& ink) {
  p.setPen(Pen(ink, 2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(16, 16), 13, 13);
  p.setPen(Qt::NoPen);
  p.setBrush(kRed);
  p.drawPolygon(QPolygonF({{8.5, 11}, {23.5, 11}, {16, 24}}));
}

void DiamondBar(QPainter& p, const QColor& ink) {
  Diamond(p, {16, 16}, 14, Pen(ink, 2));
  p.setPen(Qt::NoPen);
  p.setBrush(kNavy);
  p.drawRect(QRectF(14.5, 8, 3, 16));
}

// A bold block arrow pointing up, turned by `degrees` clockwise.
void BlockArrow(QPainter& p, const QColor& ink, qreal degrees) {
  p.save();
  p.translate(16, 16);
  p.rotate(degrees);
  p.translate(-16, -16);
  p.setPen(Pen(ink, 1));
  p.setBrush(kNavy);
  p.drawPolygon(
      QPolygonF({{16, 3}, {28, 15}, {20.5, 15}, {20.5, 29}, {11.5, 29}, {11.5, 15}, {4, 15}}));
  p.restore();
}

void CircularArrows(QPainter& p, const QColor& ink) {
  QColor c = ink == Qt::black ? kGreen : ink;
  p.setPen(Pen(c, 3.5));
  ArcArrow(p, {16, 16}, 11, 100, 140, 7.5, c);
  ArcArrow(p, {16, 16}, 11, 280, 140, 7.5, c);
}

}  // namespace

void PaintKeyPicture(QPainter& p, KeyPicture picture, const QColor& ink) {
  p.setRenderHint(QPainter::Antialiasing);
  switch (picture) {
    case P::None: break;
    case P::Zigzag: Zigzag(p, ink); break;
    case P::AxesDimension: AxesDimension(p, ink); break;
    case P::ThreeSpokes: ThreeSpokes(p, ink); break;
    case P::OpenHand: OpenHand(p, ink); break;
    case P::SquareArrows: SquareArrows(p, ink); break;
    case P::DiamondLeft: DiamondArrow(p, ink, true); break;
    case P::DiamondRight: DiamondArrow(p, ink, false); break;
    case P::AxesDot: AxesCorner(p, ink, {6, 26}, 22, 22); break;
    case P::ArrowIntoSolid: ArrowIntoSolid(p, ink); break;
    case P::ArrowInFramed: ArrowInFramed(p, ink); break;
    case P::Chevron: Chevron(p, ink, false); break;
    case P::ChevronP: Chevron(p, ink, true); break;
    case P::VerticalArrows:
      p.setPen(Pen(ink, 2.5));
      DoubleArrow(p, {16, 2}, {16, 30}, 6, ink);
      break;
    case P::HorizontalArrows:
      p.setPen(Pen(ink, 2.5));
      DoubleArrow(p, {2, 16}, {30, 16}, 6, ink);
      break;
    case P::Slashes: Slashes(p, ink); break;
    case P::DiamondHArrows: DiamondHArrows(p, ink); break;
    case P::CircleTriangle: CircleTriangle(p, ink); break;
    case P::DiamondBar: DiamondBar(p, ink); break;
    case P::ArrowUp: BlockArrow(p, ink, 0); break;
    case P::ArrowRight: BlockArrow(p, ink, 90); break;
    case P::ArrowDown: BlockArrow(p, ink, 180); break;
    case P::ArrowLeft: BlockArrow(p, ink, 270); break;
    case P::CircularArrows: CircularArrows(p, ink); break;
  }
}

QPixmap KeyPicturePixmap(KeyPicture picture, int size, bool enabled) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.scale(size / 32.0, size / 32.0);
  PaintKeyPicture(p, picture, enabled ? QColor(Qt::black) : QColor(128, 128, 128));
  p.end();
  if (!enabled) {
    // Greyed: every painted pixel in the dark grey of a disabled face.
    QImage img = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
      for (int x = 0; x < img.width(); ++x) {
        QRgb px = img.pixel(x, y);
        if (qAlpha(px) != 0) img.setPixel(x, y, qRgba(128, 128, 128, qAlpha(px)));
      }
    }
    pixmap = QPixmap::fromImage(img);
  }
  return pixmap;
}

QIcon KeyPictureIcon(KeyPicture picture, int size) {
  QIcon icon;
  icon.addPixmap(KeyPicturePixmap(picture, size, true), QIcon::Normal);
  icon.addPixmap(KeyPicturePixmap(picture, size, false), QIcon::Disabled);
  return icon;
}

}  // namespace kv74::qt
