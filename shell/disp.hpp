// The plot window Disp: a scrolling view over the 1024 x 768 picture `pick` on which the panel
// logic draws the tool path, scrolled so that the tool stays in view. It has no close box; a close
// request minimises it, and it goes when the program ends. A corner label shows the scale, and an
// optional light overlay of axes and scale lies over the picture without being part of it.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "panel/surface.hpp"

class QLabel;
class QScrollArea;

namespace kv74::shell {

// The picture control: paints its image unscaled.
class PlotPicture final : public QWidget {
 public:
  explicit PlotPicture(QWidget* parent);
  QImage& Image() { return image_; }
  void SetOverlay(bool on, int scale);
  bool Overlay() const { return overlay_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void PaintOverlay(QPainter& p);

  QImage image_;
  bool overlay_ = false;
  int scale_ = 1;
};

class TDisp final : public QWidget, public PlotCanvas {
 public:
  explicit TDisp(QWidget* parent = nullptr);

  void Clear() override;
  void Ring(int column, int row, std::uint32_t pen) override;

  const QImage& Picture() const;
  // The picture as 3 bytes per pixel, row by row (a snapshot's form), and back; false, changing
  // nothing, when the bytes are not a whole picture.
  std::vector<std::uint8_t> PictureRgb() const;
  bool SetPictureRgb(const std::vector<std::uint8_t>& rgb);
  QScrollArea* ScrollArea() const { return scroll_; }
  // Lets the next close request through (the program's end).
  void AllowClose() { closeAllowed_ = true; }
  // The plot scale shown in the corner (and used by the overlay).
  void SetScale(int scale);
  void SetOverlay(bool on);
  QString ScaleText() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QScrollArea* scroll_;
  PlotPicture* pick_;
  QLabel* scaleLabel_;
  int scale_ = 1;
  bool closeAllowed_ = false;
  bool scrolled_ = false;
};

}  // namespace kv74::shell
