// The pictures on the panel's keys and its two decorations, drawn as vector shapes in a 32-unit
// square in the sixteen colours of the controller's key caps.
#pragma once

#include <QIcon>
#include <QPixmap>

#include "panel/controls.hpp"

class QPainter;

namespace kv74::qt {

// The picture at size x size pixels (32 on most keys, 25 on k0x2E). Transparent background.
QPixmap KeyPicturePixmap(KeyPicture picture, int size, bool enabled = true);

// The key's icon, with a greyed variant for the disabled state.
QIcon KeyPictureIcon(KeyPicture picture, int size);

// Paints the picture into the 32 x 32 unit square of the painter's current coordinates.
void PaintKeyPicture(QPainter& p, KeyPicture picture, const QColor& ink);

}  // namespace kv74::qt
