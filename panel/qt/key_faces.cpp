#include "panel/qt/key_faces.hpp"

#include <QPainter>
#include <QPainterPath>

#include "panel/qt/look.hpp"

namespace kv74::qt {
namespace {

QPainterPath ToPath(const std::string& data) {
  QPainterPath path;
  for (const PathCommand& c : ParseFacePath(data)) {
    switch (c.op) {
      case 'M': path.moveTo(c.p[0], c.p[1]); break;
      case 'L': path.lineTo(c.p[0], c.p[1]); break;
      case 'C': path.cubicTo(c.p[0], c.p[1], c.p[2], c.p[3], c.p[4], c.p[5]); break;
      default: path.closeSubpath(); break;
    }
  }
  return path;
}

void PaintLayer(QPainter& p, const FaceLayer& layer) {
  if (!layer.text.empty()) {
    p.setPen(FromBgr(layer.fill));
    p.setFont(PanelFont(layer.pixels, layer.bold));
    p.drawText(QRectF(layer.x, layer.y, layer.w, layer.h), Qt::AlignCenter,
               QString::fromStdString(layer.text));
    return;
  }
  if (layer.stroke == NO_COLOUR) {
    p.setPen(Qt::NoPen);
  } else {
    QPen pen(FromBgr(layer.stroke), layer.width);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(layer.miter ? Qt::MiterJoin : Qt::RoundJoin);
    p.setPen(pen);
  }
  p.setBrush(layer.fill == NO_COLOUR ? QBrush(Qt::NoBrush) : QBrush(FromBgr(layer.fill)));
  p.drawPath(ToPath(layer.path));
}

}  // namespace

void PaintFace(QPainter& p, const Face& face, qreal width, qreal height) {
  if (face.width <= 0 || face.height <= 0) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(width / face.width, height / face.height);
  for (const FaceLayer& layer : face.layers) PaintLayer(p, layer);
  p.restore();
}

QPixmap KeyPicturePixmap(KeyPicture picture, int size, bool enabled) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  PaintFace(p, FaceOf(picture), size, size);
  p.end();
  if (!enabled) {
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
