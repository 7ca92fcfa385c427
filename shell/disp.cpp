#include "shell/disp.hpp"

#include <QCloseEvent>
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
}

const QImage& TDisp::Picture() const { return pick_->Image(); }

void TDisp::closeEvent(QCloseEvent* event) {
  if (closeAllowed_)
    event->accept();
  else
    event->ignore();
}

void TDisp::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (scrolled_) return;
  scrolled_ = true;
  scroll_->horizontalScrollBar()->setValue(kScrollX);
  scroll_->verticalScrollBar()->setValue(kScrollY);
}

}  // namespace kv74::shell
