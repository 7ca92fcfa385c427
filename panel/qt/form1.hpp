// The panel window Form1: the controller's front panel built from the layout table. It is the
// ControlSurface of the panel logic; clicks leave it as signals, the emulation thread's hand-over
// arrives as a blocking queued call of Refresh, and closing it runs the stop handshake.
#pragma once

#include <QWidget>
#include <functional>

#include "panel/qt/builder.hpp"
#include "panel/surface.hpp"

class QAbstractButton;
class QButtonGroup;

namespace kv74::qt {

class TForm1 final : public QWidget, public ControlSurface {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);

  Control* Find(std::string_view name) override;
  QWidget* Widget(std::string_view name) const;
  QButtonGroup* JogGroup() const { return jogGroup_; }

  // RefreshPanel of the panel logic; run by Refresh.
  void SetRefreshHandler(std::function<void()> refresh) { refresh_ = std::move(refresh); }

  // The stop handshake: ask the emulation thread to stop, then poll whether it has finished.
  void SetStopHandshake(std::function<void()> requestStop, std::function<bool()> finished);

  // Tells the user once per distinct message, in a box that does not stop the emulation.
  void ShowWarning(const QString& message);

 public slots:
  // The hand-over target: the panel logic redraws what NotifyWord names.
  void Refresh();

 signals:
  void keyClicked(const QString& name);        // PultKeyClik
  void inputLampClicked(const QString& name);  // KEoutClick
  void cleaClicked();
  void mashClicked();
  void aboutClicked();  // KaboutClick
  void saveClicked();   // msaveClick
  void closed();        // after the handshake; the program ends

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void IndexControls();
  void WireClicks();
  void JogClicked(QAbstractButton* button);
  void FormCloseQuery();

  BuiltPanel built_;
  std::map<std::string, Control*, std::less<>> controls_;
  QButtonGroup* jogGroup_ = nullptr;
  std::function<void()> refresh_;
  std::function<void()> requestStop_;
  std::function<bool()> finished_;
  QStringList warned_;
  bool closing_ = false;
};

}  // namespace kv74::qt
