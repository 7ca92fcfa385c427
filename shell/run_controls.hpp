// The panel window's menus and status bar over a session: pause, resume, single step and step N,
// the speed, the RAM save, the keyboard shortcuts and the plot overlay; the status bar shows the
// achieved speed (M steps/s and times real time), the step count and whether the run stands.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

class QAction;
class QLabel;

namespace kv74::shell {

class Session;

class RunControls final : public QObject {
 public:
  explicit RunControls(Session& session, bool plotOverlay = false);

  void StepOne();
  void AskStepN();
  void SetSpeed(double factor);
  // The status text as it stands now (also shown in the status bar).
  QString StatusText();

 private:
  void BuildMenus(bool plotOverlay);
  void UpdateStatus();

  Session& session_;
  QLabel* status_;
  QAction* pause_ = nullptr;
  QAction* continue_ = nullptr;
  std::uint64_t lastSteps_ = 0;
  qint64 lastMs_ = 0;
  double rate_ = 0;  // steps per second over the last interval
};

// Formats a speed sample for the status bar.
QString StatusLine(double stepsPerSecond, double speedSetting, std::uint64_t steps, bool paused);

}  // namespace kv74::shell
