#include "shell/debugger/controller.hpp"

#include <QDateTime>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "debug/location.hpp"
#include "shell/session.hpp"

namespace kv74::shell::dbgwin {
namespace {

constexpr std::size_t kHistoryKept = 10000;

bool RunsMachine(mon::Verb v) {
  switch (v) {
    case mon::Verb::Continue:
    case mon::Verb::Step:
    case mon::Verb::Next:
    case mon::Verb::Finish:
    case mon::Verb::Until:
    case mon::Verb::Back:
    case mon::Verb::ReverseContinue:
    case mon::Verb::LoadState: return true;
    default: return false;
  }
}

}  // namespace

Controller::Controller(Session& session, const dbg::DebugInfo* info, QObject* parent)
    : QObject(parent), session_(session), info_(info), timer_(new QTimer(this)) {
  monitor_ = std::make_unique<mon::Session>(session.Machine(), session.Run().Engine(),
                                            session.Form(), info, std::nullopt, stdout);
  connect(timer_, &QTimer::timeout, this, &Controller::Poll);
  // Every stop in the console, in the monitor's words, whoever caused it.
  session.AtStepBoundary(
      [this] { session_.Run().SetStopTeller([this](const debug::StopReason& r) { Tell(r); }); });
}

void Controller::Tell(const debug::StopReason& stop) {
  const QString line = QString::fromStdString(monitor_->StopLine(stop)) + "\n";
  QMetaObject::invokeMethod(
      this, [this, line] { emit output(line); }, Qt::QueuedConnection);
}

Controller::~Controller() {
  // The views may be gone already, and the wait below serves the window: nothing is polled or
  // told from here on.
  timer_->stop();
  blockSignals(true);
  // The session's commands must not outlive it: let the emulation thread finish with them.
  WindowRun& run = session_.Run();
  if (!run.Started() || run.Finished()) {
    run.SetStopTeller(nullptr);
    return;
  }
  if (run.CommandRunning()) run.Pause();
  session_.AtStepBoundary([&run] { run.SetStopTeller(nullptr); });
}

bool Controller::Paused() const { return session_.Run().Paused(); }
bool Controller::CommandRunning() const { return session_.Run().CommandRunning(); }
std::uint64_t Controller::Steps() const { return session_.Run().Steps(); }

// The window is served while it waits, so a timer may come back here: that look is skipped.
// Edits and point changes are skipped too while a debugger command runs the machine.
void Controller::AtBoundary(const std::function<void()>& fn) {
  // A command's run (a step over, a console `continue`) may take long: no waiting for it.
  if (busy_ || CommandRunning()) return;
  busy_ = true;
  try {
    session_.AtStepBoundary(fn);
  } catch (...) {
    busy_ = false;
    throw;
  }
  busy_ = false;
}

void Controller::SetActive(bool on) {
  if (on == active_) return;
  active_ = on;
  AtBoundary([this, on] {
    debug::Engine& e = session_.Run().Engine();
    if (on) {
      e.SetReverse(true);
      e.SetHistorySize(kHistoryKept);
    }
    e.RecordHistory(on);
    e.TrackCalls(on);
  });
  if (on) {
    timer_->start(kPollMs);
    Refresh();
  } else {
    timer_->stop();
  }
}

void Controller::Refresh() {
  if (CommandRunning() || busy_) return;
  std::optional<ViewData> d;
  AtBoundary([this, &d] {
    d = Gather(session_.Run().Engine(), info_, session_.Run().Paused(),
               coverageShown_ ? monitor_->Collected() : nullptr);
  });
  if (!d) return;
  data_ = std::move(*d);
  data_.stop = session_.Run().LastStop();
  lastLookMs_ = QDateTime::currentMSecsSinceEpoch();
  emit refreshed();
}

void Controller::ShowCoverage(bool on) {
  if (on == coverageShown_) return;
  coverageShown_ = on;
  bool counting = data_.coverage.counting;
  AtBoundary([this, &counting] { counting = session_.Run().Engine().GetCollector() != nullptr; });
  if (on && !counting) Execute("coverage profile");
  if (!on && counting) Execute("coverage off");
  Refresh();
}

void Controller::ResetCoverage() {
  bool profile = data_.coverage.profiling || data_.coverage.marks == nullptr;
  AtBoundary([this, &profile] {
    const debug::Collector* c = monitor_->Collected();
    profile = c == nullptr || c->Profiling();
  });
  Execute(profile ? "coverage profile" : "coverage on");
}

void Controller::Poll() {
  const std::uint64_t stops = session_.Run().Stops();
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (stops != seenStops_) {
    seenStops_ = stops;
    Refresh();
  } else if (!Paused() && now - lastLookMs_ >= kRunningLookMs) {
    Refresh();
  }
}

void Controller::Continue() {
  session_.Run().Engine().CancelPause();
  session_.Run().Resume();
}

void Controller::Pause() { session_.Run().Pause(); }

void Controller::RunCommand(std::function<debug::StopReason(debug::Engine&)> fn) {
  WindowRun& run = session_.Run();
  run.Pause();
  run.PostCommand([this, &run, fn = std::move(fn)]() -> std::optional<debug::StopReason> {
    const debug::StopReason stop = fn(run.Engine());
    Tell(stop);
    return stop;
  });
}

void Controller::Step() {
  RunCommand([](debug::Engine& e) { return e.Step(1); });
}
void Controller::StepOver() {
  RunCommand([](debug::Engine& e) { return e.Next(); });
}
void Controller::StepOut() {
  RunCommand([](debug::Engine& e) { return e.Finish(); });
}
void Controller::StepBack() {
  RunCommand([](debug::Engine& e) { return e.Back(1); });
}
void Controller::ReverseContinue() {
  RunCommand([](debug::Engine& e) { return e.ReverseContinue(); });
}

void Controller::ToggleBreak(std::uint16_t address) {
  AtBoundary([this, address] {
    debug::PointTable& points = session_.Run().Engine().Points();
    for (const debug::Point& p : points.All()) {
      if (p.kind == debug::PointKind::Break && p.first == address) {
        points.Remove(p.id);
        return;
      }
    }
    std::string where = debug::DescribeAddress(address, info_);
    if (where.empty()) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%04X", address);
      where = hex;
    }
    points.AddBreak(address, where);
  });
  Refresh();
}

void Controller::SetEnabled(int id, bool on) {
  AtBoundary([this, id, on] {
    debug::PointTable& points = session_.Run().Engine().Points();
    if (debug::Point* p = points.Find(id)) {
      p->enabled = on;
      points.Rebuild();
    }
  });
  Refresh();
}

void Controller::Remove(int id) {
  AtBoundary([this, id] { session_.Run().Engine().Points().Remove(id); });
  Refresh();
}

bool Controller::SetCondition(int id, const QString& text, QString* error) {
  std::optional<mon::Expr> expr;
  if (!text.trimmed().isEmpty()) {
    try {
      expr = mon::Expr::Parse(text.toStdString(), monitor_->Context().symbols);
    } catch (const mon::ParseError& e) {
      if (error) *error = QString::fromStdString(e.what());
      return false;
    }
  }
  AtBoundary([this, id, &expr] {
    debug::Point* p = session_.Run().Engine().Points().Find(id);
    if (!p) return;
    p->condition = expr ? monitor_->Condition(*expr, id) : debug::Condition();
    p->conditionText = expr ? expr->Text() : std::string();
  });
  Refresh();
  return true;
}

QString Controller::Carry(const mon::Command& command) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  if (!out) return "error: no memory for the answer\n";
  monitor_->SetOutput(out);
  QString error;
  try {
    if (command.verb == mon::Verb::Quit) {
      std::fputs("quit: close the debugger window instead\n", out);
    } else {
      monitor_->Execute(command, "");
    }
  } catch (const std::exception& e) {
    error = QString("error: %1\n").arg(QString::fromLocal8Bit(e.what()));
  }
  monitor_->SetOutput(stdout);
  std::fclose(out);
  QString text = QString::fromLocal8Bit(buffer, static_cast<qsizetype>(size)) + error;
  std::free(buffer);
  return text;
}

void Controller::Execute(const QString& line) {
  std::optional<mon::Command> command;
  try {
    command = mon::ParseCommand(line.toStdString(), monitor_->Context());
  } catch (const mon::ParseError& e) {
    emit output(QString("error: %1\n").arg(QString::fromStdString(e.what())));
    return;
  }
  if (!command) return;
  const bool runs = RunsMachine(command->verb);
  WindowRun& run = session_.Run();
  if (runs) run.Pause();
  run.PostCommand([this, runs, c = *command]() -> std::optional<debug::StopReason> {
    const QString text = Carry(c);
    QMetaObject::invokeMethod(
        this, [this, text] { emit output(text); }, Qt::QueuedConnection);
    if (!runs) return std::nullopt;
    const auto& stop = monitor_->LastStop();
    if (stop) return stop;
    debug::StopReason now;
    now.step = session_.Run().Engine().Steps();
    now.pc = session_.Run().Engine().Machine()[reg::PC];
    return now;
  });
}

QString Controller::ExecuteNow(const QString& line) {
  std::optional<mon::Command> command;
  try {
    command = mon::ParseCommand(line.toStdString(), monitor_->Context());
  } catch (const mon::ParseError& e) {
    return QString("error: %1\n").arg(QString::fromStdString(e.what()));
  }
  if (!command) return {};
  QString text;
  AtBoundary([&] { text = Carry(*command); });
  Refresh();
  return text;
}

}  // namespace kv74::shell::dbgwin
