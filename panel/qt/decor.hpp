// The panel's two decorations: the block picture in Kadr (axes with a dimension arrow over a
// zigzag line) and the strip of pictograms under the Digit indicators, painted from their faces.
#pragma once

#include <QWidget>

#include "panel/controls.hpp"

namespace kv74::qt {

class Decoration final : public QWidget {
 public:
  Decoration(const QString& name, KeyPicture picture, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  KeyPicture picture_;
};

}  // namespace kv74::qt
