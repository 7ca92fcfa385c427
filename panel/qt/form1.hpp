// The panel window Form1: the controller's front panel built from the layout table, under a menu
// bar and above a status bar. It is the ControlSurface of the panel logic; every click on a
// clickable control (and its PC-keyboard shortcut) leaves it as one signal, with the control
// left as it was, so that whoever makes the click decides when; the emulation thread's hand-over
// arrives as a blocking queued call of Refresh, and closing it runs the stop handshake.
#pragma once

#include <QWidget>
#include <functional>

#include "panel/qt/builder.hpp"
#include "panel/surface.hpp"

class QMenuBar;
class QStatusBar;

namespace kv74::qt {

class TForm1 final : public QWidget, public ControlSurface {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);

  Control* Find(std::string_view name) override;
  QWidget* Widget(std::string_view name) const;
  QWidget* PanelArea() const { return panelArea_; }
  QMenuBar* MenuBar() const { return menuBar_; }
  QStatusBar* StatusBar() const { return statusBar_; }

  // RefreshPanel of the panel logic; run by Refresh.
  void SetRefreshHandler(std::function<void()> refresh) { refresh_ = std::move(refresh); }

  // The stop handshake: ask the emulation thread to stop, then poll whether it has finished.
  void SetStopHandshake(std::function<void()> requestStop, std::function<bool()> finished);

  // Tells the user once per distinct message, in a box that does not stop the emulation.
  void ShowWarning(const QString& message);

  // The PC keyboard's digits, '-', Enter ('*'), Escape (C) and the address letters click the
  // keypad's keys; on by default.
  void SetKeyboardShortcuts(bool on) { shortcuts_ = on; }
  bool KeyboardShortcuts() const { return shortcuts_; }

 public slots:
  // The hand-over target: the panel logic redraws what NotifyWord names.
  void Refresh();

 signals:
  void controlClicked(const QString& name);  // a key, toggle, input lamp, clea or mash
  void aboutClicked();                       // KaboutClick
  void saveClicked();                        // msaveClick
  void closed();                             // after the handshake; the program ends

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void IndexControls();
  void WireClicks();
  void FormCloseQuery();

  QMenuBar* menuBar_;
  QWidget* panelArea_;
  QStatusBar* statusBar_;
  BuiltPanel built_;
  std::map<std::string, Control*, std::less<>> controls_;
  std::function<void()> refresh_;
  std::function<void()> requestStop_;
  std::function<bool()> finished_;
  QStringList warned_;
  bool closing_ = false;
  bool shortcuts_ = true;
};

}  // namespace kv74::qt
