// The about box: its look, how it closes, that nothing of it stays behind, and the decoding of
// the board picture that it carries.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <functional>

#include "shell/about.hpp"
#include "shell/jpeg_decode.hpp"

namespace kv74::shell {
namespace {

Tabout* OpenBox() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* box = dynamic_cast<Tabout*>(w); box != nullptr && box->isVisible()) return box;
  }
  return nullptr;
}

int BoxesAlive() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) n += dynamic_cast<Tabout*>(w) != nullptr;
  return n;
}

TEST(AboutBox, LooksAsDesigned) {
  Tabout box;
  EXPECT_EQ(box.objectName(), "about");
  EXPECT_EQ(box.windowTitle(), "ABOUT");
  EXPECT_EQ(box.size(), QSize(400, 273));
  EXPECT_TRUE(box.isModal());
  EXPECT_TRUE(box.testAttribute(Qt::WA_DeleteOnClose));
  Qt::WindowFlags flags = box.windowFlags();
  EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
  for (Qt::WindowType icon : {Qt::WindowCloseButtonHint, Qt::WindowSystemMenuHint,
                              Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint})
    EXPECT_FALSE(flags & icon);
  auto* memo = box.findChild<QPlainTextEdit*>("Memo1");
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->geometry(), QRect(0, 0, 397, 63));
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->toPlainText().split('\n').size(), 3);
  auto* image = box.findChild<QLabel*>("Image1");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->geometry(), QRect(1, 64, 399, 209));
  EXPECT_EQ(image->pixmap().size(), QSize(400, 205));
  box.setAttribute(Qt::WA_DeleteOnClose, false);  // a stack object
}

struct Closer {
  const char* what;
  std::function<void(Tabout*)> act;
};

TEST(AboutBox, AnyKeyOrMousePressClosesItAndTenOpeningsLeaveNoBox) {
  auto memo = [](Tabout* b) { return b->findChild<QPlainTextEdit*>("Memo1"); };
  auto image = [](Tabout* b) { return b->findChild<QWidget*>("Image1"); };
  const Closer closers[] = {
      {"Shift alone on the memo", [&](Tabout* b) { QTest::keyPress(memo(b), Qt::Key_Shift); }},
      {"Ctrl alone on the memo", [&](Tabout* b) { QTest::keyPress(memo(b), Qt::Key_Control); }},
      {"a letter", [&](Tabout* b) { QTest::keyPress(memo(b), Qt::Key_Q); }},
      {"a key on the box", [](Tabout* b) { QTest::keyPress(b, Qt::Key_Space); }},
      {"right button on the picture",
       [&](Tabout* b) { QTest::mousePress(image(b), Qt::RightButton); }},
      {"left button on the memo",
       [&](Tabout* b) { QTest::mousePress(memo(b)->viewport(), Qt::LeftButton); }},
      {"middle button on the box", [](Tabout* b) { QTest::mousePress(b, Qt::MiddleButton); }},
  };
  QWidget panel;
  for (int round = 0; round < 10; ++round) {
    const Closer& closer = closers[round % std::size(closers)];
    bool stuck = false;
    QTimer::singleShot(0, [&] {
      Tabout* box = OpenBox();
      ASSERT_NE(box, nullptr);
      closer.act(box);
    });
    QTimer::singleShot(3000, [&] {
      if (Tabout* box = OpenBox()) {
        stuck = true;
        box->close();
      }
    });
    Tabout::KaboutClick(&panel);
    EXPECT_FALSE(stuck) << closer.what;
    EXPECT_EQ(BoxesAlive(), 0) << closer.what;
  }
}

QByteArray CarriedPicture() {
  QFile f(":/about/board.jpg");
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  return f.readAll();
}

std::span<const std::uint8_t> Bytes(const QByteArray& b) {
  return {reinterpret_cast<const std::uint8_t*>(b.constData()), static_cast<std::size_t>(b.size())};
}

TEST(BoardPicture, CarriedPictureIsAProgressiveJfifOf400By205) {
  QByteArray jpeg = CarriedPicture();
  ASSERT_GT(jpeg.size(), 1000);
  EXPECT_EQ(jpeg.mid(6, 4), "JFIF");
  EXPECT_TRUE(jpeg.contains(QByteArray("\xFF\xC2", 2))) << "no progressive frame header";
  RgbPicture picture;
  std::string error;
  ASSERT_TRUE(DecodeJpeg(Bytes(jpeg), &picture, &error)) << error;
  EXPECT_EQ(picture.width, 400);
  EXPECT_EQ(picture.height, 205);
  EXPECT_EQ(picture.rgb.size(), 400u * 205u * 3u);
  QString boxError;
  EXPECT_EQ(Tabout::BoardPicture(&boxError).size(), QSize(400, 205));
  EXPECT_TRUE(boxError.isEmpty()) << boxError.toStdString();
}

TEST(BoardPicture, BrokenStreamsAreReportedNotFatal) {
  QByteArray good = CarriedPicture();
  QByteArray badSize = good;
  // Zero the frame header's height and width.
  qsizetype sof = badSize.indexOf(QByteArray("\xFF\xC2", 2));
  ASSERT_GT(sof, 0);
  for (int i = 5; i < 9; ++i) badSize[sof + i] = 0;
  const std::pair<const char*, QByteArray> cases[] = {
      {"empty", QByteArray()},
      {"not a jpeg", QByteArray(200, 'x')},
      {"only the start marker", QByteArray("\xFF\xD8", 2)},
      {"cut inside the headers", good.left(40)},
      {"zero size in the frame header", badSize},
  };
  for (const auto& [what, bytes] : cases) {
    RgbPicture picture;
    std::string error;
    EXPECT_FALSE(DecodeJpeg(Bytes(bytes), &picture, &error)) << what;
    EXPECT_FALSE(error.empty()) << what;
    EXPECT_TRUE(picture.rgb.empty()) << what;
  }
  // Cut in the middle of the scans: libjpeg warns and fills in; either way, no crash.
  RgbPicture picture;
  std::string error;
  if (DecodeJpeg(Bytes(good.left(good.size() / 2)), &picture, &error)) {
    EXPECT_EQ(picture.width, 400);
  }
}

}  // namespace
}  // namespace kv74::shell
