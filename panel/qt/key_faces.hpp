// The pictures on the panel's keys and its two decorations, painted from their vector faces
// (panel/faces.hpp).
#pragma once

#include <QIcon>
#include <QPixmap>

#include "panel/faces.hpp"

class QPainter;

namespace kv74::qt {

// Paints the face's layers in order, scaled from the face's box to width x height pixels.
void PaintFace(QPainter& p, const Face& face, qreal width, qreal height);

// The picture at size x size pixels (32 on most keys, 25 on k0x2E). Transparent background;
// disabled, every painted pixel is the dark grey of a disabled face.
QPixmap KeyPicturePixmap(KeyPicture picture, int size, bool enabled = true);

// The key's icon, with a greyed variant for the disabled state.
QIcon KeyPictureIcon(KeyPicture picture, int size);

}  // namespace kv74::qt
