#include "panel/qt/decor.hpp"

#include <QPainter>

#include "panel/qt/key_faces.hpp"

namespace kv74::qt {

Decoration::Decoration(const QString& name, KeyPicture picture, QWidget* parent)
    : QWidget(parent), picture_(picture) {
  setObjectName(name);
}

void Decoration::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintFace(p, FaceOf(picture_), width(), height());
}

}  // namespace kv74::qt
