// The panel window: every binding name once, with the widget kind, size and place the panel
// logic and the user expect.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLayout>
#include <QMenuBar>
#include <QStatusBar>
#include <map>
#include <set>

#include "panel/controls.hpp"
#include "panel/qt/field.hpp"
#include "panel/qt/form1.hpp"
#include "panel/qt/indicator.hpp"
#include "panel/qt/key_faces.hpp"
#include "panel/qt/lamp.hpp"
#include "panel/qt/panel_key.hpp"
#include "panel/qt/tooltips.hpp"

namespace kv74::qt {
namespace {

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

class LayoutTest : public ::testing::Test {
 protected:
  TForm1 form;
};

TEST_F(LayoutTest, EveryControlExistsExactlyOnceByObjectName) {
  for (const ControlInfo& info : PanelControls()) {
    QList<QWidget*> found = form.findChildren<QWidget*>(Q(info.name));
    ASSERT_EQ(found.size(), 1) << info.name;
    EXPECT_EQ(form.Find(info.name), dynamic_cast<Control*>(found.front())) << info.name;
    EXPECT_EQ(form.Widget(info.name), found.front()) << info.name;
  }
}

TEST_F(LayoutTest, CountsOfEachKind) {
  std::map<ControlKind, int> count;
  for (const ControlInfo& info : PanelControls()) ++count[info.kind];
  EXPECT_EQ(count[ControlKind::Key] + count[ControlKind::JogToggle], 46);
  // al11..al14, al21..al23, al31, al32, al34, al41..al44 (there is no al24 or al33).
  EXPECT_EQ(count[ControlKind::Indicator], 14);
  EXPECT_EQ(count[ControlKind::SignalLamp], 14);
  EXPECT_EQ(count[ControlKind::FrameLamp], 15);
  EXPECT_EQ(count[ControlKind::OutputLamp] + count[ControlKind::InputLamp], 32);
  EXPECT_EQ(count[ControlKind::Field], 8);
}

// Widget class and size of each kind of control.
TEST_F(LayoutTest, WidgetKindAndSize) {
  for (const ControlInfo& info : PanelControls()) {
    QWidget* w = form.Widget(info.name);
    ASSERT_NE(w, nullptr) << info.name;
    QSize size = w->size();
    switch (info.kind) {
      case ControlKind::Key:
        EXPECT_NE(dynamic_cast<PanelKey*>(w), nullptr) << info.name;
        EXPECT_FALSE(static_cast<QAbstractButton*>(w)->isCheckable()) << info.name;
        EXPECT_EQ(size, info.picture == KeyPicture::None ? QSize(30, 30) : QSize(35, 35))
            << info.name;
        break;
      case ControlKind::JogToggle:
      case ControlKind::Toggle:
        EXPECT_TRUE(static_cast<QAbstractButton*>(w)->isCheckable()) << info.name;
        EXPECT_EQ(size, QSize(35, 35)) << info.name;
        break;
      case ControlKind::Indicator:
        EXPECT_NE(dynamic_cast<DigitIndicator*>(w), nullptr) << info.name;
        EXPECT_EQ(size, QSize(30, 38)) << info.name;
        break;
      case ControlKind::SignalLamp: EXPECT_EQ(size, QSize(22, 22)) << info.name; break;
      case ControlKind::FrameLamp: EXPECT_EQ(size, QSize(45, 45)) << info.name; break;
      case ControlKind::OutputLamp:
      case ControlKind::InputLamp:
        EXPECT_NE(dynamic_cast<Lamp*>(w), nullptr) << info.name;
        EXPECT_EQ(size, QSize(14, 14)) << info.name;
        break;
      case ControlKind::Field: EXPECT_NE(dynamic_cast<ValueField*>(w), nullptr); break;
      case ControlKind::Button: EXPECT_NE(dynamic_cast<PanelKey*>(w), nullptr); break;
      case ControlKind::Label: EXPECT_NE(dynamic_cast<PanelLabel*>(w), nullptr); break;
      default: ADD_FAILURE() << "a container among the controls: " << info.name;
    }
  }
}

TEST_F(LayoutTest, StripAndFieldSizes) {
  const std::map<std::string_view, QSize> sizes{
      {"n", {41, 30}},    {"kom", {431, 31}}, {"m", {41, 31}},       {"z", {79, 31}},
      {"clea", {33, 30}}, {"mash", {33, 30}}, {"Button1", {46, 30}}, {"Kabout", {49, 30}},
      {"f", {80, 30}},    {"s", {74, 30}},    {"t", {41, 30}},       {"x", {79, 30}},
  };
  for (const auto& [name, size] : sizes) {
    ASSERT_NE(form.Widget(name), nullptr) << name;
    EXPECT_EQ(form.Widget(name)->size(), size) << name;
    EXPECT_EQ(form.Widget(name)->parentWidget(), form.Widget("new_pult")) << name;
  }
  QWidget* save = form.Widget("Button1");
  EXPECT_TRUE(save->isHidden());
  EXPECT_FALSE(save->isEnabled());
}

TEST_F(LayoutTest, FrameLampsHoldTheirKeySixPixelsIn) {
  int framed = 0;
  for (const ControlInfo& info : PanelControls()) {
    if (info.frame.empty()) continue;
    ++framed;
    QWidget* key = form.Widget(info.name);
    QWidget* frame = form.Widget(info.frame);
    ASSERT_NE(frame, nullptr) << info.frame;
    EXPECT_EQ(key->parentWidget(), frame) << info.name;
    EXPECT_EQ(key->geometry(), QRect(6, 6, 35, 35)) << info.name;
  }
  EXPECT_EQ(framed, 15);
}

TEST_F(LayoutTest, ControlsSitInTheirGroups) {
  const std::map<std::string_view, std::vector<std::string_view>> groups{
      {"Podacha", {"al14", "al13", "al12", "al11", "v2_0", "v2_1", "Label6", "Label5"}},
      {"Kadr", {"al23", "al22", "al21", "v2_3", "v2_4", "v2_5", "v2_6", "Label7", "Label8"}},
      {"Digit", {"al34", "al32", "al31", "al44", "al43", "al42", "al41", "v2_7", "v2_14"}},
      {"Panel33", {"k0x78", "k0x79", "k0x7a", "k0x7b", "uskor"}},
      {"Panel2", {"k0x21", "k0x12", "k0x09", "k0x23", "k0x24", "k0x0A", "k0x3E", "k0x11"}},
      {"Panel18", {"k0x1C", "k0x1D", "k0x1E", "k0x26", "k0x13", "k0x39"}},
      {"PU", {"k0x25", "k0x22", "v1_6", "v1_5"}},
      {"Pout", {"ko0", "ko15"}},
      {"Pin", {"ki0", "ki15"}},
  };
  for (const auto& [group, names] : groups) {
    for (std::string_view name : names)
      EXPECT_EQ(form.Widget(name)->parentWidget(), form.Widget(group)) << name;
  }
  EXPECT_EQ(static_cast<QGroupBox*>(form.Widget("GroupBox7"))->title(), "KE");
}

// Left to right within a row, in the order the panel shows them.
TEST_F(LayoutTest, RowsReadLeftToRight) {
  const std::vector<std::vector<std::string_view>> rows{
      {"al14", "al13", "al12", "al11"},
      {"al23", "al22", "al21"},
      {"al34", "al32", "al31", "al44", "al43", "al42", "al41"},
      {"v2_14", "v2_13", "v2_12", "v2_11", "v2_10", "v2_9", "v2_8", "v2_7"},
      {"k0x1C", "k0x1D", "k0x1E"},
      {"k0x26", "k0x13", "k0x39"},
      {"k0x21", "k0x12", "k0x09"},
      {"k0x0B", "k0x3E", "k0x11"},
      {"k0x7a", "uskor", "k0x7b"},
  };
  for (const auto& row : rows) {
    for (std::size_t i = 1; i < row.size(); ++i) {
      QWidget* a = form.Widget(row[i - 1]);
      QWidget* b = form.Widget(row[i]);
      EXPECT_EQ(a->y(), b->y()) << row[i];
      EXPECT_LT(a->geometry().right(), b->x()) << row[i];
    }
  }
  // The jog cross: up above uskor above down, all in one column.
  EXPECT_EQ(form.Widget("k0x78")->x(), form.Widget("uskor")->x());
  EXPECT_EQ(form.Widget("k0x79")->x(), form.Widget("uskor")->x());
  EXPECT_LT(form.Widget("k0x78")->y(), form.Widget("uskor")->y());
  EXPECT_GT(form.Widget("k0x79")->y(), form.Widget("uskor")->y());
}

TEST_F(LayoutTest, PortLampsStackFifteenApartWithAByteGap) {
  for (const char* prefix : {"ko", "ki"}) {
    for (int i = 1; i < 16; ++i) {
      int above = form.Widget(prefix + std::to_string(i - 1))->y();
      int here = form.Widget(prefix + std::to_string(i))->y();
      EXPECT_EQ(here - above, i == 8 ? 20 : 15) << prefix << i;
    }
  }
}

TEST_F(LayoutTest, InitialCaptionsAndColoursFollowTheTable) {
  for (const ControlInfo& info : PanelControls()) {
    Control* c = form.Find(info.name);
    ASSERT_NE(c, nullptr) << info.name;
    if (info.kind != ControlKind::Key && info.kind != ControlKind::JogToggle &&
        info.kind != ControlKind::Toggle && info.picture == KeyPicture::None) {
      EXPECT_EQ(c->Caption(), info.caption) << info.name;
    }
    if (info.colour != 0) {
      EXPECT_EQ(c->Colour(), info.colour) << info.name;
    }
    EXPECT_FALSE(c->IsDown()) << info.name;
  }
  EXPECT_EQ(form.Find("v1_1")->Colour(), colour::INACTIVE_CAPTION);
  EXPECT_EQ(form.Find("v2_11")->Colour(), colour::BUTTON_FACE);
}

TEST_F(LayoutTest, NamesWithoutAControlFindNothing) {
  for (const char* name : {"v2_2", "v2_15", "v1_0", "al24", "al33", "ko16", "PU", "", "k0x7A"})
    EXPECT_EQ(form.Find(name), nullptr) << name;
}

TEST_F(LayoutTest, KeyCodesFromNamesFillTheGridOnce) {
  std::set<int> codes;
  for (const ControlInfo& info : PanelControls()) {
    if (info.kind != ControlKind::Key && info.kind != ControlKind::JogToggle) continue;
    int code = KeyCodeFromName(form.Widget(info.name)->objectName().toStdString());
    EXPECT_TRUE(codes.insert(code).second) << info.name;
  }
  std::set<int> expected{120, 121, 122, 123};
  for (int row = 1; row <= 7; ++row)
    for (int column = 1; column <= 6; ++column) expected.insert(8 * row + column);
  EXPECT_EQ(codes, expected);
}

TEST_F(LayoutTest, WindowCaptionAndSize) {
  EXPECT_EQ(form.objectName(), "Form1");
  EXPECT_EQ(form.windowTitle(), "KV-74 V4");
  EXPECT_EQ(form.PanelArea()->size(), QSize(714, 368));
  EXPECT_EQ(form.PanelArea()->maximumSize(), QSize(790, 580));
  // Shrunk, the window keeps the whole panel, the menu bar and the status bar.
  form.layout()->activate();
  form.resize(200, 100);
  EXPECT_EQ(form.PanelArea()->size(), QSize(714, 368));
  EXPECT_GE(form.height(), 368 + form.MenuBar()->height() + form.StatusBar()->height());
}

TEST_F(LayoutTest, EveryKeyLampIndicatorAndFieldHasATooltip) {
  for (const ControlInfo& info : PanelControls()) {
    if (info.kind == ControlKind::Label || info.name == "Button1") continue;
    EXPECT_FALSE(form.Widget(info.name)->toolTip().isEmpty()) << info.name;
  }
  // Shortcuts click keypad keys and are named in their tooltips.
  struct Case {
    int key;
    std::string_view name;
  };
  for (const Case& c :
       {Case{Qt::Key_7, "k0x1C"}, Case{Qt::Key_Minus, "k0x26"}, Case{Qt::Key_Enter, "k0x3E"},
        Case{Qt::Key_Asterisk, "k0x3E"}, Case{Qt::Key_Escape, "k0x39"}, Case{Qt::Key_X, "k0x09"},
        Case{Qt::Key_N, "k0x21"}, Case{Qt::Key_Q, ""}}) {
    EXPECT_EQ(ShortcutKey(c.key), c.name) << c.key;
    if (!c.name.empty()) {
      EXPECT_TRUE(form.Widget(c.name)->toolTip().contains("[key "));
    }
  }
}

TEST_F(LayoutTest, SetCaptionAndColourShowOnTheWidgets) {
  form.Find("al11")->SetCaption("A");
  EXPECT_EQ(static_cast<DigitIndicator*>(form.Widget("al11"))->Caption(), "A");
  form.Find("kom")->SetCaption(" * G 1");
  EXPECT_EQ(static_cast<QLabel*>(form.Widget("kom"))->text(), " * G 1");
  form.Find("ko3")->SetColour(colour::RED);
  QImage shot = form.Widget("ko3")->grab().toImage();
  EXPECT_EQ(shot.pixelColor(2, 2), QColor(255, 0, 0));  // the middle shows the bit number
  form.Find("v1_5")->SetColour(colour::RED);
  // A lit frame lamp shows as a red ring around its key.
  QImage frame = form.Widget("v1_5")->grab().toImage();
  EXPECT_EQ(frame.pixelColor(3, 22), QColor(255, 0, 0));
  EXPECT_EQ(frame.pixelColor(22, 3), QColor(255, 0, 0));
}

// The pictures are painted from their vector faces: colours where the face data puts them, scaled
// to the key's picture size, the rest transparent.
TEST(KeyFaces, PaintTheirColoursWhereTheFaceDataPutsThem) {
  const QColor navy(0, 0, 128), red(192, 0, 0), ink(0, 0, 0), hand(255, 255, 192);
  struct Case {
    KeyPicture picture;
    int size, x, y;
    QColor colour;
  } cases[] = {
      {KeyPicture::ArrowUp, 32, 16, 22, navy},       {KeyPicture::ArrowRight, 32, 10, 16, navy},
      {KeyPicture::ArrowLeft, 32, 22, 16, navy},     {KeyPicture::CircleTriangle, 32, 16, 14, red},
      {KeyPicture::OpenHand, 32, 16, 22, hand},      {KeyPicture::DiamondBar, 32, 16, 16, navy},
      {KeyPicture::ArrowIntoSolid, 32, 22, 16, ink}, {KeyPicture::AxesDot, 25, 4, 20, red},
      {KeyPicture::AxesDot, 32, 5, 25, red},
  };
  for (const Case& c : cases) {
    const QImage image = KeyPicturePixmap(c.picture, c.size).toImage();
    ASSERT_EQ(image.size(), QSize(c.size, c.size));
    EXPECT_EQ(image.pixelColor(c.x, c.y), c.colour)
        << PictureName(c.picture) << " at " << c.x << "," << c.y;
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << PictureName(c.picture);
  }
  const QImage greyed = KeyPicturePixmap(KeyPicture::ArrowUp, 32, false).toImage();
  EXPECT_EQ(greyed.pixelColor(16, 22), QColor(128, 128, 128));
}

}  // namespace
}  // namespace kv74::qt
