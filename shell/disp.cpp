#include "shell/disp.hpp"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "panel/plot.hpp"
#include "panel/qt/look.hpp"

namespace kv74::shell {
namespace {

// The view starts scrolled to this point of the picture.
constexpr int kScrollX = 102;
constexpr int kScrollY = 190;
// Client size: with a title bar the window is about 878 x 368 and clears the panel below it.
constexpr int kWidth = 878;
constexpr int kHeight = 330;

}  // namespace

PlotPicture::PlotPicture(QWidget* parent)
    : QWidget(parent), image_(PLOT_WIDTH, PLOT_HEIGHT, QImage::Format_RGB32) {
  setObjectName("pick");
  setFixedSize(PLOT_WIDTH, PLOT_HEIGHT);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotPicture::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.drawImage(event->rect(), image_, event->rect());
  if (overlay_) PaintOverlay(p);
}

void PlotPicture::SetOverlay(bool on, int scale) {
  if (on == overlay_ && scale == scale_) return;
  overlay_ = on;
  scale_ = scale;
  update();
}

void PlotPicture::PaintOverlay(QPainter& p) {
  // Axes through the origin (Z along the columns, X down the rows) and a tick every 100 pixels
  // labelled in steps: at scale 1 a column is 100 steps of Z and a row 200 steps of X.
  const QPoint origin(PLOT_WIDTH / 2, PLOT_HEIGHT / 2);
  p.setPen(QColor(120, 150, 200, 150));
  p.drawLine(0, origin.y(), PLOT_WIDTH, origin.y());
  p.drawLine(origin.x(), 0, origin.x(), PLOT_HEIGHT);
  p.setFont(qt::PanelFont(9));
  for (int d = -500; d <= 500; d += 100) {
    if (d == 0) continue;
    const int column = origin.x() + d;
    if (column > 0 && column < PLOT_WIDTH) {
      p.drawLine(column, origin.y() - 3, column, origin.y() + 3);
      p.drawText(column + 2, origin.y() - 4, "Z" + QString::number(d * 100 / scale_));
    }
    const int row = origin.y() + d;
    if (row > 0 && row < PLOT_HEIGHT) {
      p.drawLine(origin.x() - 3, row, origin.x() + 3, row);
      p.drawText(origin.x() + 5, row + 4, "X" + QString::number(d * 200 / scale_));
    }
  }
}

TDisp::TDisp(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowMinMaxButtonsHint) {
  setObjectName("Disp");
  setWindowTitle("Disp");
  QPalette pal = palette();
  pal.setColor(QPalette::Window, qt::FromBgr(colour::BUTTON_FACE));
  setPalette(pal);
  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  pick_ = new PlotPicture(scroll_);
  scroll_->setWidget(pick_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll_);
  scaleLabel_ = new QLabel(this);
  scaleLabel_->setObjectName("scale");
  scaleLabel_->setAutoFillBackground(true);
  scaleLabel_->setMargin(2);
  scaleLabel_->move(4, 4);
  SetScale(1);
  Clear();
  move(1, 0);
  resize(kWidth, kHeight);
}

void TDisp::Clear() {
  pick_->Image().fill(qt::FromBgr(colour::BUTTON_FACE));
  pick_->update();
}

void TDisp::Ring(int column, int row, std::uint32_t pen) {
  // Far-off points would overflow the painter's coordinates; they cannot touch the picture.
  if (column < -2 || row < -2 || column > PLOT_WIDTH + 1 || row > PLOT_HEIGHT + 1) return;
  QPainter p(&pick_->Image());
  p.setPen(qt::FromBgr(pen));
  p.setBrush(qt::FromBgr(colour::BUTTON_FACE));
  p.drawEllipse(QRect(column - 1, row - 1, 2, 2));
  p.end();
  pick_->update(QRect(column - 2, row - 2, 5, 5));
  // The tool stays in view: a point that leaves the visible part scrolls it into the middle.
  const QRect visible(-pick_->pos(), scroll_->viewport()->size());
  if (!visible.adjusted(8, 8, -8, -8).contains(column, row)) {
    scroll_->ensureVisible(column, row, scroll_->viewport()->width() / 2,
                           scroll_->viewport()->height() / 2);
  }
}

void TDisp::SetScale(int scale) {
  if (scale == scale_ && !scaleLabel_->text().isEmpty()) return;
  scale_ = scale;
  scaleLabel_->setText(ScaleText());
  scaleLabel_->adjustSize();
  scaleLabel_->raise();
  pick_->SetOverlay(pick_->Overlay(), scale);
}

QString TDisp::ScaleText() const {
  return QString("scale ") + QChar(0x00D7) + QString::number(scale_);
}

void TDisp::SetOverlay(bool on) { pick_->SetOverlay(on, scale_); }

const QImage& TDisp::Picture() const { return pick_->Image(); }

std::vector<std::uint8_t> TDisp::PictureRgb() const {
  const QImage& image = pick_->Image();
  std::vector<std::uint8_t> rgb;
  rgb.reserve(std::size_t{PLOT_WIDTH} * PLOT_HEIGHT * 3);
  for (int y = 0; y < PLOT_HEIGHT; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < PLOT_WIDTH; ++x) {
      rgb.push_back(static_cast<std::uint8_t>(qRed(line[x])));
      rgb.push_back(static_cast<std::uint8_t>(qGreen(line[x])));
      rgb.push_back(static_cast<std::uint8_t>(qBlue(line[x])));
    }
  }
  return rgb;
}

bool TDisp::SetPictureRgb(const std::vector<std::uint8_t>& rgb) {
  if (rgb.size() != std::size_t{PLOT_WIDTH} * PLOT_HEIGHT * 3) return false;
  QImage& image = pick_->Image();
  const std::uint8_t* p = rgb.data();
  for (int y = 0; y < PLOT_HEIGHT; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < PLOT_WIDTH; ++x, p += 3) line[x] = qRgb(p[0], p[1], p[2]);
  }
  pick_->update();
  return true;
}

void TDisp::closeEvent(QCloseEvent* event) {
  if (closeAllowed_) {
    event->accept();
    return;
  }
  event->ignore();
  showMinimized();
}

void TDisp::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (scrolled_) return;
  scrolled_ = true;
  scroll_->horizontalScrollBar()->setValue(kScrollX);
  scroll_->verticalScrollBar()->setValue(kScrollY);
}

}  // namespace kv74::shell
