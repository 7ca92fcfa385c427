// The plot window Disp: a scrolling view over the 1024 x 768 picture `pick` on which the panel
// logic draws the tool path. It has no close box and ignores close requests; it goes when the
// program ends.
#pragma once

#include <QImage>
#include <QWidget>

#include "panel/surface.hpp"

class QScrollArea;

namespace kv74::shell {

// The picture control: paints its image unscaled.
class PlotPicture final : public QWidget {
 public:
  explicit PlotPicture(QWidget* parent);
  QImage& Image() { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

class TDisp final : public QWidget, public PlotCanvas {
 public:
  explicit TDisp(QWidget* parent = nullptr);

  void Clear() override;
  void Ring(int column, int row, std::uint32_t pen) override;

  const QImage& Picture() const;
  QScrollArea* ScrollArea() const { return scroll_; }
  // Lets the next close request through (the program's end).
  void AllowClose() { closeAllowed_ = true; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QScrollArea* scroll_;
  PlotPicture* pick_;
  bool closeAllowed_ = false;
  bool scrolled_ = false;
};

}  // namespace kv74::shell
