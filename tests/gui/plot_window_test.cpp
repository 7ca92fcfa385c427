// The plot window: no way to close it by hand, the view over the picture, and rings drawn pixel
// for pixel as the headless runner draws them.
#include <gtest/gtest.h>

#include <QScrollArea>
#include <QScrollBar>

#include "panel/image_canvas.hpp"
#include "panel/qt/look.hpp"
#include "shell/disp.hpp"

namespace kv74::shell {
namespace {

TEST(PlotWindow, HasNoCloseBoxAndIgnoresCloseRequests) {
  TDisp disp;
  EXPECT_EQ(disp.objectName(), "Disp");
  EXPECT_EQ(disp.windowTitle(), "Disp");
  Qt::WindowFlags flags = disp.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
  disp.show();
  EXPECT_FALSE(disp.close());
  EXPECT_TRUE(disp.isVisible());
  EXPECT_TRUE(disp.isMinimized());  // a close box the window manager adds minimises
  disp.AllowClose();
  EXPECT_TRUE(disp.close());
}

TEST(PlotWindow, ViewStartsScrolledOverACleanPicture) {
  TDisp disp;
  disp.show();
  EXPECT_EQ(disp.ScrollArea()->horizontalScrollBar()->value(), 102);
  EXPECT_EQ(disp.ScrollArea()->verticalScrollBar()->value(), 190);
  const QImage& pick = disp.Picture();
  ASSERT_EQ(pick.size(), QSize(1024, 768));
  for (QPoint p : {QPoint(0, 0), QPoint(1023, 767), QPoint(512, 384)})
    EXPECT_EQ(pick.pixelColor(p), qt::FromBgr(colour::BUTTON_FACE));
  disp.AllowClose();
}

TEST(PlotWindow, FollowsTheToolAndShowsTheScale) {
  TDisp disp;
  disp.show();
  QScrollBar* h = disp.ScrollArea()->horizontalScrollBar();
  QScrollBar* v = disp.ScrollArea()->verticalScrollBar();
  struct Case {
    int column, row;
    bool scrolls;
  };
  for (const Case& c : {Case{400, 300, false}, Case{1000, 700, true}, Case{20, 20, true}}) {
    const int h0 = h->value(), v0 = v->value();
    disp.Ring(c.column, c.row, colour::WHITE);
    const QRect visible(h->value(), v->value(), disp.ScrollArea()->viewport()->width(),
                        disp.ScrollArea()->viewport()->height());
    EXPECT_TRUE(visible.contains(c.column, c.row)) << c.column << "," << c.row;
    EXPECT_EQ(h->value() != h0 || v->value() != v0, c.scrolls) << c.column << "," << c.row;
  }
  EXPECT_TRUE(disp.ScaleText().endsWith("1"));
  disp.SetScale(2);
  EXPECT_TRUE(disp.ScaleText().endsWith("2"));
  // The overlay is drawn over the picture, not into it.
  const QImage before = disp.Picture();
  disp.SetOverlay(true);
  disp.grab();
  EXPECT_EQ(disp.Picture(), before);
  disp.AllowClose();
}

std::uint32_t PixelOf(const QImage& img, int column, int row) {
  return qt::ToBgr(img.pixelColor(column, row));
}

TEST(PlotWindow, RingsMatchTheRunnersPicture) {
  struct RingCase {
    int column, row;
    std::uint32_t pen;
  };
  const RingCase rings[] = {
      {732, 420, colour::WHITE}, {732, 420, colour::BLACK},  {733, 420, colour::WHITE},
      {0, 0, colour::BLACK},     {1023, 767, colour::WHITE}, {-1, 5, colour::WHITE},
      {1024, 5, colour::WHITE},  {5, 768, colour::BLACK},    {100000, -100000, colour::WHITE},
      {1, 1, colour::WHITE},     {2, 1, colour::BLACK},
  };
  TDisp disp;
  ImageCanvas runner;
  for (const RingCase& r : rings) {
    disp.Ring(r.column, r.row, r.pen);
    runner.Ring(r.column, r.row, r.pen);
  }
  // Compare around every ring and along the borders.
  for (const RingCase& r : rings) {
    for (int dr = -2; dr <= 2; ++dr) {
      for (int dc = -2; dc <= 2; ++dc) {
        int c = r.column + dc, row = r.row + dr;
        if (c < 0 || c >= 1024 || row < 0 || row >= 768) continue;
        EXPECT_EQ(PixelOf(disp.Picture(), c, row), runner.Pixel(c, row)) << c << "," << row;
      }
    }
  }
  disp.Clear();
  EXPECT_EQ(PixelOf(disp.Picture(), 732, 419), colour::BUTTON_FACE);
  disp.AllowClose();
}

}  // namespace
}  // namespace kv74::shell
