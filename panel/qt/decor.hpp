// The panel's two decorations: the block picture in Kadr (axes with a dimension arrow over a
// zigzag line) and the strip of pictograms under the Digit indicators.
#pragma once

#include <QWidget>

namespace kv74::qt {

enum class DecorKind { KadrPicture, DigitPictograms };

class Decoration final : public QWidget {
 public:
  Decoration(const QString& name, DecorKind kind, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  DecorKind kind_;
};

}  // namespace kv74::qt
