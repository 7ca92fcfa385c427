#include "shell/debugger/debugger_window.hpp"

#include <QDockWidget>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

#include "debug/location.hpp"
#include "shell/debugger/call_stack_view.hpp"
#include "shell/debugger/console_view.hpp"
#include "shell/debugger/controller.hpp"
#include "shell/debugger/disassembly_view.hpp"
#include "shell/debugger/history_view.hpp"
#include "shell/debugger/memory_view.hpp"
#include "shell/debugger/peripherals_view.hpp"
#include "shell/debugger/placement.hpp"
#include "shell/debugger/points_view.hpp"
#include "shell/debugger/profile_view.hpp"
#include "shell/debugger/registers_view.hpp"
#include "shell/run_keys.hpp"

namespace kv74::shell::dbgwin {
namespace {

struct RunAction {
  const char* text;  // also the key's entry in shell/run_keys.hpp
  void (Controller::*act)();
  const char* tip;
};
constexpr RunAction kActions[] = {
    {"Continue", &Controller::Continue, "Run until a stop point or a pause"},
    {"Pause", &Controller::Pause, "Stop at the next step boundary"},
    {"Step", &Controller::Step, "One instruction"},
    {"Step over", &Controller::StepOver, "Over a call, to the next instruction"},
    {"Step out", &Controller::StepOut, "Until the routine returns"},
    {"Step back", &Controller::StepBack, "One instruction back"},
    {"Reverse-continue", &Controller::ReverseContinue, "Back to the previous stop point hit"},
};

}  // namespace

DebuggerWindow::DebuggerWindow(Session& session, std::unique_ptr<dbg::DebugInfo> info)
    : info_(std::move(info)),
      controller_(new Controller(session, info_.get(), this)),
      disassembly_(new DisassemblyView(*controller_, this)),
      registers_(new RegistersView(*controller_, this)),
      memory_(new MemoryView(*controller_, this)),
      peripherals_(new PeripheralsView(*controller_, this)),
      points_(new PointsView(*controller_, this)),
      history_(new HistoryView(*controller_, this)),
      calls_(new CallStackView(
          *controller_,
          [this](std::uint16_t a) { disassembly_->GoTo(QString("0x%1").arg(a, 0, 16)); }, this)),
      console_(new ConsoleView(*controller_, this)),
      profile_(new ProfileView(
          *controller_,
          [this](std::uint16_t a) { disassembly_->GoTo(QString("0x%1").arg(a, 0, 16)); }, this)),
      status_(new QLabel(this)) {
  setObjectName("debugger");
  setWindowTitle("KV7402 debugger");
  setCentralWidget(disassembly_);
  BuildToolBar();
  AddDock(registers_, "Registers", Qt::RightDockWidgetArea);
  AddDock(peripherals_, "Peripherals", Qt::BottomDockWidgetArea);
  AddDock(calls_, "Call stack", Qt::BottomDockWidgetArea);
  AddDock(memory_, "Memory", Qt::BottomDockWidgetArea);
  AddDock(points_, "Stop points", Qt::BottomDockWidgetArea);
  AddDock(history_, "History", Qt::BottomDockWidgetArea);
  AddDock(console_, "Console", Qt::BottomDockWidgetArea);
  profileDock_ = AddDock(profile_, "Profile", Qt::BottomDockWidgetArea);
  auto dock = [this](const char* name) { return findChild<QDockWidget*>(name); };
  tabifyDockWidget(dock("Memory"), dock("Stop points"));
  tabifyDockWidget(dock("Memory"), dock("History"));
  tabifyDockWidget(dock("Memory"), dock("Peripherals"));
  tabifyDockWidget(dock("Memory"), dock("Call stack"));
  tabifyDockWidget(dock("Memory"), profileDock_);
  profileDock_->hide();  // closed: nothing counted
  dock("Memory")->raise();
  BuildCoverageBar();
  // Sized by what they hold: every register row, a dozen memory rows and console lines.
  resizeDocks({dock("Registers")}, {340}, Qt::Horizontal);
  resizeDocks({dock("Memory")}, {330}, Qt::Vertical);
  status_->setObjectName("debuggerStatus");
  statusBar()->addWidget(status_, 1);
  connect(controller_, &Controller::refreshed, this, &DebuggerWindow::UpdateStatus);
  connect(controller_, &Controller::refreshed, this, &DebuggerWindow::FollowCounting);
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, &DebuggerWindow::UpdateStatus);
  timer->start(Controller::kRunningLookMs);
  resize(1200, 900);
}

DebuggerWindow::~DebuggerWindow() { profileDock_->removeEventFilter(this); }

void DebuggerWindow::BuildToolBar() {
  QToolBar* bar = addToolBar("Run");
  bar->setObjectName("runBar");
  for (const RunAction& a : kActions) {
    QAction* action = bar->addAction(a.text, controller_, a.act);
    action->setObjectName(a.text);
    action->setShortcut(QKeySequence(RunKeyOf(a.text)));
    action->setToolTip(QString("%1 (%2)").arg(a.tip, RunKeyOf(a.text)));
  }
}

void DebuggerWindow::BuildCoverageBar() {
  QToolBar* bar = addToolBar("Coverage");
  bar->setObjectName("coverageBar");
  coverage_ = bar->addAction("Coverage", this, &DebuggerWindow::OpenCoverage);
  coverage_->setObjectName("Coverage");
  coverage_->setCheckable(true);
  coverage_->setToolTip(
      "Count what runs: the Profile view and coverage marks in the disassembly "
      "(the monitor's coverage command)");
  QAction* reset = bar->addAction("Reset counts", controller_, &Controller::ResetCoverage);
  reset->setObjectName("Reset counts");
  reset->setToolTip("Count afresh from this step");
  profileDock_->installEventFilter(this);
}

void DebuggerWindow::OpenCoverage(bool on) {
  coverage_->setChecked(on);
  profileDock_->setVisible(on);
  if (on) profileDock_->raise();
  controller_->ShowCoverage(on);
}

// The Profile dock's own close button closes the views as the Coverage button does.
bool DebuggerWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == profileDock_ && event->type() == QEvent::Close) {
    coverage_->setChecked(false);
    controller_->ShowCoverage(false);
  }
  return QMainWindow::eventFilter(watched, event);
}

void DebuggerWindow::FollowCounting() {
  const bool counting = controller_->Data().coverage.counting;
  if (counting && !counting_ && !coverage_->isChecked()) OpenCoverage(true);
  counting_ = counting;
}

QDockWidget* DebuggerWindow::AddDock(QWidget* view, const QString& title, Qt::DockWidgetArea area) {
  auto* dock = new QDockWidget(title, this);
  dock->setObjectName(title);
  dock->setWidget(view);
  addDockWidget(area, dock);
  return dock;
}

QString DebuggerWindow::StatusText() const {
  const QString steps =
      QLocale(QLocale::English).toString(static_cast<qulonglong>(controller_->Steps()));
  if (controller_->CommandRunning()) return "running (debugger command), step " + steps;
  const ViewData& d = controller_->Data();
  if (!controller_->Paused() || !d.m) return "running, step " + steps;
  QString text = "paused at step " + steps;
  // A stop at a point names it while the point exists.
  const bool pointGone = d.stop && d.stop->point != 0 &&
                         std::none_of(d.points.begin(), d.points.end(),
                                      [&](const debug::Point& p) { return p.id == d.stop->point; });
  if (d.stop && d.stop->step == d.steps && !pointGone)
    text = QString::fromStdString(debug::Describe(*d.stop)) + ", step " + steps;
  const std::uint16_t pc = (*d.m)[reg::PC];
  const std::string where = debug::DescribeAddress(pc, controller_->Info());
  return text + QString(", PC %1 %2")
                    .arg(QString("%1").arg(pc, 4, 16, QChar('0')).toUpper())
                    .arg(QString::fromStdString(where))
                    .trimmed();
}

void DebuggerWindow::UpdateStatus() { status_->setText(StatusText()); }

void DebuggerWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  controller_->SetActive(true);
  // Open as the restored layout left it.
  coverage_->setChecked(!profileDock_->isHidden());
  controller_->ShowCoverage(coverage_->isChecked());
}

void DebuggerWindow::hideEvent(QHideEvent* event) {
  QMainWindow::hideEvent(event);
  SaveWindowLayout(*this);
  controller_->ShowCoverage(false);
  controller_->SetActive(false);
}

}  // namespace kv74::shell::dbgwin
