// The panel window wired to the panel logic: clicks reach the keyboard register and the input
// port, the emulation thread's hand-over redraws the panel, and closing stops the thread.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <memory>
#include <thread>

#include "board/thread.hpp"
#include "cpu/shared.hpp"
#include "panel/panel.hpp"
#include "panel/qt/form1.hpp"
#include "panel/qt/window_handover.hpp"
#include "shell/disp.hpp"
#include "shell/wiring.hpp"

namespace kv74 {
namespace {

using qt::TForm1;

PanelOptions InDir(const QTemporaryDir& dir) {
  PanelOptions o;
  o.traceDirectory = dir.path().toStdString();
  o.warn = [](const std::string&) {};
  return o;
}

// Runs the window thread's events until `done` or two seconds have passed.
template <typename Done>
bool ServeUntil(Done done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 2000) QCoreApplication::processEvents();
  return done();
}

class WiredPanel : public ::testing::Test {
 protected:
  void SetUp() override {
    shell::WirePanel(form, panel);
    panel.StartUp();
    form.show();
  }
  void Click(std::string_view name) { QTest::mouseClick(form.Widget(name), Qt::LeftButton); }
  bool Down(std::string_view name) { return form.Find(name)->IsDown(); }

  QTemporaryDir dir;
  BoardState m;
  TForm1 form;
  shell::TDisp disp;
  PanelLogic panel{m, form, disp, InDir(dir)};
};

struct ClickCase {
  std::vector<std::string_view> clicks;
  std::uint16_t keyboard;    // word 33 afterwards
  std::string_view downJog;  // the jog toggle left down, or empty
  std::uint32_t jogBits;
};

TEST_F(WiredPanel, KeyClicksStoreTheirCodes) {
  const ClickCase cases[] = {
      {{"k0x1D"}, 29, "", 0},
      {{"k0x39"}, 57, "", 0},
      {{"k0x21"}, 33, "", 0},
      {{"k0x78"}, 120, "k0x78", jog::UP},
      {{"k0x79"}, 121, "k0x79", jog::DOWN},
      {{"uskor", "k0x78"}, 124, "k0x78", jog::UP},
      {{"k0x78", "k0x7b"}, 123, "k0x7b", jog::RIGHT},
      {{"uskor", "k0x78", "k0x7b"}, 127, "k0x7b", jog::RIGHT},
      {{"k0x7a", "k0x7a"}, 0, "", 0},
      {{"uskor", "k0x7a", "k0x7a"}, 0, "", 0},
      {{"uskor"}, 0x55, "", 0},  // uskor alone stores nothing
  };
  for (const ClickCase& c : cases) {
    for (const char* name : {"k0x78", "k0x79", "k0x7a", "k0x7b", "uskor"})
      form.Find(name)->SetDown(false);
    m.channels.jogButtons = 0;
    StoreShared(m, reg::KEYBOARD, 0x55);
    std::string what;
    for (std::string_view click : c.clicks) {
      what += std::string(click) + " ";
      Click(click);
    }
    EXPECT_EQ(LoadShared(m, reg::KEYBOARD), c.keyboard) << what;
    for (const char* jogName : {"k0x78", "k0x79", "k0x7a", "k0x7b"})
      EXPECT_EQ(Down(jogName), c.downJog == jogName) << what << jogName;
    EXPECT_EQ(m.channels.jogButtons.load(), c.jogBits) << what;
  }
}

TEST_F(WiredPanel, InputLampClicksToggleTheirBit) {
  StoreShared(m, reg::PORT_IN, 0x0100);
  Click("ki3");
  EXPECT_EQ(LoadShared(m, reg::PORT_IN), 0x0108);
  EXPECT_EQ(form.Find("ki3")->Colour(), colour::GREEN);
  Click("ki3");
  EXPECT_EQ(LoadShared(m, reg::PORT_IN), 0x0100);
  EXPECT_EQ(form.Find("ki3")->Colour(), colour::GREY);
  // Output lamps take no clicks.
  Click("ko3");
  EXPECT_EQ(LoadShared(m, reg::PORT_IN), 0x0100);
  EXPECT_EQ(m[reg::PORT_OUT], 0);
}

TEST_F(WiredPanel, PlotButtonsScaleAndClear) {
  Click("mash");
  EXPECT_EQ(panel.ScaleFactor(), 2);
  Click("mash");
  EXPECT_EQ(panel.ScaleFactor(), 1);
  disp.Ring(100, 100, colour::WHITE);
  ASSERT_NE(disp.Picture().pixelColor(100, 99), QColor(192, 192, 192));
  Click("clea");
  EXPECT_EQ(disp.Picture().pixelColor(100, 99), QColor(192, 192, 192));
}

struct Notification {
  std::uint32_t bits;
  int word;
  std::uint16_t value;
  std::vector<std::pair<std::string_view, std::string_view>> captions;
  std::vector<std::pair<std::string_view, std::uint32_t>> colours;
};

// Delivered from another thread through the real blocking hand-over, as the emulation thread
// does; the sender stays blocked until the window thread has refreshed.
TEST_F(WiredPanel, HandOverFromAnotherThreadRedrawsTheNamedControls) {
  const Notification cases[] = {
      {notify::IND1,
       reg::IND1,
       0x12AF,
       {{"al14", "1"}, {"al13", "2"}, {"al12", "A"}, {"al11", " "}},
       {}},
      {notify::IND1 | notify::IND1 << 1, reg::IND1, 0x0000, {{"al11", "0"}, {"al21", "7"}}, {}},
      {notify::IND1 << 2, reg::IND3, 0xF0C5, {{"al34", "+"}, {"al32", "C"}, {"al31", "5"}}, {}},
      {notify::SIGLAMPS,
       reg::SIGLAMPS,
       0x0003,
       {},
       {{"v2_0", colour::RED}, {"v2_1", colour::RED}, {"v2_3", colour::GREY}}},
      {notify::PORT_OUT, reg::PORT_OUT, 0x8000, {}, {{"ko15", colour::RED}, {"ko0", colour::GREY}}},
      {notify::KEYLAMPS,
       reg::KEYLAMPS,
       0x0020,
       {},
       {{"v1_5", colour::RED}, {"v1_1", colour::GREY}}},
  };
  qt::WindowHandover handover(&form);
  for (const Notification& n : cases) {
    m[n.word] = n.value;
    m.NotifyWord = n.bits;
    std::atomic<bool> returned{false};
    std::thread sender([&] {
      handover.Handover(m);
      returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(returned) << "the sender must wait for the window thread";
    EXPECT_TRUE(ServeUntil([&] { return returned.load(); }));
    sender.join();
    EXPECT_EQ(m.NotifyWord, 0u);
    for (const auto& [name, caption] : n.captions)
      EXPECT_EQ(form.Find(name)->Caption(), caption) << name << " bits " << n.bits;
    for (const auto& [name, colour] : n.colours)
      EXPECT_EQ(form.Find(name)->Colour(), colour) << name << " bits " << n.bits;
  }
}

// Firmware for the close handshake: either every word stores R0 into the spindle speed cell,
// which notifies on every write, or every word is a load that notifies nothing.
void LoadFirmware(BoardState& m, bool notifies) {
  m.ProgramMemory.fill(notifies ? 0x1000 : 0x0000);  // MOV M[BASE0],R0 / MOV R0,M[BASE0]
  m.ProgramMemory[239] = 0x0000;                     // bad-address vector back to 0
  m[reg::BASE0] = cell::SPINDLE_SPEED;
  m[reg::SP] = 0x4800;
}

TEST(CloseHandshake, CompletesWhateverTheFirmwareNotifies) {
  for (bool notifies : {true, false}) {
    auto m = std::make_unique<BoardState>();
    LoadFirmware(*m, notifies);
    TForm1 form;
    std::atomic<int> refreshes{0};
    form.SetRefreshHandler([&] {
      ++refreshes;
      m->NotifyWord = 0;
    });
    qt::WindowHandover handover(&form);
    EmulationThread thread(*m, handover);
    form.SetStopHandshake([&] { thread.RequestStop(); }, [&] { return thread.Finished(); });
    bool closed = false;
    QObject::connect(&form, &TForm1::closed, [&] { closed = true; });
    form.show();
    thread.Start();
    if (notifies) {
      EXPECT_TRUE(ServeUntil([&] { return refreshes.load() >= 2000; }));
    }
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(form.close());
    EXPECT_GE(timer.elapsed(), 100);  // the pause before the stop request
    EXPECT_TRUE(thread.Finished()) << notifies;
    EXPECT_TRUE(closed);
    EXPECT_FALSE(form.isVisible());
    if (!notifies) {
      EXPECT_EQ(refreshes.load(), 0);
    }
    // A second close request does not wait again.
    timer.restart();
    form.close();
    EXPECT_LT(timer.elapsed(), 100);
  }
}

}  // namespace
}  // namespace kv74
