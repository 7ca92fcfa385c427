#include "shell/run_controls.hpp"

#include <QActionGroup>
#include <QDateTime>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "shell/pacing.hpp"
#include "shell/run_keys.hpp"
#include "shell/session.hpp"

namespace kv74::shell {
namespace {

constexpr int kStatusMs = 500;

struct SpeedChoice {
  const char* text;
  double factor;
};
constexpr SpeedChoice kSpeeds[] = {
    {"As fast as possible", 0}, {"Real time", 1}, {"\u00D70.1", 0.1},
    {"\u00D70.5", 0.5},         {"\u00D72", 2},   {"\u00D710", 10},
    {"\u00D7100", 100},
};

}  // namespace

QString StatusLine(double stepsPerSecond, double speedSetting, std::uint64_t steps, bool paused) {
  const QString count = QLocale(QLocale::English).toString(static_cast<qulonglong>(steps));
  const QString times = QString(QChar(0x00D7));
  const QString setting =
      speedSetting == 0 ? QString("max") : times + QString::number(speedSetting);
  if (paused) return QString("paused at step %1 (speed %2)").arg(count, setting);
  return QString("%1 M steps/s  %2%3 real time  step %4 (speed %5)")
      .arg(stepsPerSecond / 1e6, 0, 'f', 2)
      .arg(times)
      .arg(stepsPerSecond / NOMINAL_STEPS_PER_SECOND, 0, 'f', 2)
      .arg(count, setting);
}

RunControls::RunControls(Session& session, bool plotOverlay)
    : QObject(&session.Form()), session_(session), status_(new QLabel(&session.Form())) {
  status_->setObjectName("runStatus");
  session_.Form().StatusBar()->addPermanentWidget(status_);
  BuildMenus(plotOverlay);
  lastMs_ = QDateTime::currentMSecsSinceEpoch();
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, &RunControls::UpdateStatus);
  timer->start(kStatusMs);
  UpdateStatus();
}

void RunControls::BuildMenus(bool plotOverlay) {
  qt::TForm1& form = session_.Form();
  QMenu* file = form.MenuBar()->addMenu("&File");
  file->addAction("&Save state...", QKeySequence::Save, [this] {
    const QString path = QFileDialog::getSaveFileName(&session_.Form(), "Save state", "kv74.state",
                                                      "Snapshots (*.state);;All files (*)");
    if (!path.isEmpty()) session_.SaveState(path);
  });
  file->addAction("&Load state...", QKeySequence::Open, [this] {
    const QString path = QFileDialog::getOpenFileName(&session_.Form(), "Load state", QString(),
                                                      "Snapshots (*.state);;All files (*)");
    if (!path.isEmpty()) session_.LoadState(path);
  });
  file->addAction("Save &RAM (kv74.ram)", [this] { session_.msaveClick(); });
  file->addSeparator();
  file->addAction("&Quit", QKeySequence::Quit, [&form] { form.close(); });

  QMenu* run = form.MenuBar()->addMenu("&Run");
  // The keys of shell/run_keys.hpp, as in the debugger window.
  continue_ = run->addAction("&Continue", QKeySequence(RunKeyOf("Continue")),
                             [this] { session_.Run().Resume(); });
  pause_ =
      run->addAction("&Pause", QKeySequence(RunKeyOf("Pause")), [this] { session_.Run().Pause(); });
  run->addAction("&Step", QKeySequence(RunKeyOf("Step")), [this] { StepOne(); });
  run->addAction("Step &N...", QKeySequence(RunKeyOf("Step N")), [this] { AskStepN(); });
  QMenu* speed = run->addMenu("Spee&d");
  auto* group = new QActionGroup(speed);
  for (const SpeedChoice& s : kSpeeds) {
    QAction* a = speed->addAction(s.text, [this, f = s.factor] { SetSpeed(f); });
    a->setCheckable(true);
    a->setChecked(s.factor == session_.Run().Speed());
    group->addAction(a);
  }

  QMenu* view = form.MenuBar()->addMenu("&Options");
  QAction* keys = view->addAction("PC &keyboard for the keypad");
  keys->setCheckable(true);
  keys->setChecked(form.KeyboardShortcuts());
  connect(keys, &QAction::toggled, this, [&form](bool on) { form.SetKeyboardShortcuts(on); });
  QAction* overlay = view->addAction("Plot &axes and scale");
  overlay->setCheckable(true);
  connect(overlay, &QAction::toggled, this, [this](bool on) { session_.Disp().SetOverlay(on); });
  overlay->setChecked(plotOverlay);
}

void RunControls::StepOne() { session_.Run().StepBy(1); }

void RunControls::AskStepN() {
  bool ok = false;
  const int n = QInputDialog::getInt(&session_.Form(), "Step N", "Steps to run:", 1000, 1,
                                     1'000'000'000, 1, &ok);
  if (ok) session_.Run().StepBy(static_cast<std::uint64_t>(n));
}

void RunControls::SetSpeed(double factor) { session_.Run().SetSpeed(factor); }

QString RunControls::StatusText() {
  WindowRun& run = session_.Run();
  return StatusLine(rate_, run.Speed(), run.Steps(), run.Paused());
}

void RunControls::UpdateStatus() {
  WindowRun& run = session_.Run();
  const std::uint64_t steps = run.Steps();
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (now > lastMs_)
    rate_ = static_cast<double>(steps - lastSteps_) * 1000.0 / double(now - lastMs_);
  lastSteps_ = steps;
  lastMs_ = now;
  status_->setText(StatusText());
  pause_->setEnabled(!run.Paused());
  continue_->setEnabled(run.Paused());
  session_.Disp().SetScale(session_.Panel().ScaleFactor());
}

}  // namespace kv74::shell
