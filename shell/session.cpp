#include "shell/session.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <QThread>
#include <algorithm>
#include <cstdio>

#include "board/image.hpp"
#include "board/power.hpp"
#include "panel/click.hpp"
#include "script.hpp"
#include "shell/about.hpp"
#include "shell/ram_save.hpp"
#include "shell/wiring.hpp"

namespace kv74::shell {
namespace {

std::vector<debug::ClickEvent> LoadClicks(const QString& path) {
  std::vector<debug::ClickEvent> clicks;
  for (ScriptClick& c :
       LoadScript(path.toStdString(), [](std::string_view name) { return IsClickable(name); })) {
    clicks.push_back({c.step, std::move(c.name)});
  }
  return clicks;
}

void ServeWindow() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace

Session::Session(const SessionOptions& options)
    : workDir_(options.workDir), ramFile_(options.ramFile), m_(std::make_unique<BoardState>()) {
  form_ = std::make_unique<qt::TForm1>();
  disp_ = std::make_unique<TDisp>();
  PanelOptions panelOptions;
  panelOptions.traceDirectory = QDir(workDir_).filesystemAbsolutePath();
  qt::TForm1* form = form_.get();
  panelOptions.warn = [form](const std::string& message) {
    form->ShowWarning(QString::fromStdString(message));
  };
  panel_ = std::make_unique<PanelLogic>(*m_, *form_, *disp_, std::move(panelOptions));
  panel_->Trace().SetFlushPerLine(true);  // prog.txt can be followed while the program runs
  target_ = std::make_unique<WindowTarget>(*form_, *disp_, *panel_);
  std::filesystem::path dir = options.imageDir.isEmpty()
                                  ? DefaultImageDir()
                                  : std::filesystem::path(options.imageDir.toStdString());
  imageDir_ = dir;
  for (const std::string& w : LoadImages(*m_, dir)) warnings_ << QString::fromStdString(w);
  if (!ramFile_.isEmpty()) LoadBatteryRam(*m_, ramFile_);
  PowerOn(*m_);
  run_ = std::make_unique<WindowRun>(*m_, *target_, options.reverse);
  if (!options.input.isEmpty()) run_->SetScript(LoadClicks(options.input));
  if (!options.record.isEmpty()) {
    recorder_ = std::make_unique<ClickRecorder>(options.record);
    ClickRecorder* recorder = recorder_.get();
    run_->SetRecorder(
        [recorder](std::uint64_t step, const std::string& name) { recorder->Record(step, name); });
  }
  if (options.exitAt) {
    run_->SetExitAt(*options.exitAt, [form] {
      QMetaObject::invokeMethod(form, &QWidget::close, Qt::QueuedConnection);
    });
  }
  run_->SetSpeed(options.speed);
  Wire();
  panel_->StartUp();
  if (!options.loadState.isEmpty()) run_->LoadSnapshotFile(options.loadState.toStdString());
  for (const QString& w : warnings_)
    std::fprintf(stderr, "kv74: %s\n", w.toLocal8Bit().constData());
  // Last: from here on the processor runs, and nothing above can fail any more.
  run_->Start(options.startPaused);
}

Session::~Session() {
  StopEmulation();
  Finish();
  run_.reset();
  recorder_.reset();
  target_.reset();
  panel_.reset();  // flushes the trace
  disp_.reset();
  form_.reset();
}

void Session::Wire() {
  qt::TForm1* form = form_.get();
  WirePanel(*form, *panel_, false);
  WindowRun* run = run_.get();
  QObject::connect(form, &qt::TForm1::controlClicked, form,
                   [run](const QString& name) { run->PostClick(name.toStdString()); });
  form->SetStopHandshake([run] { run->RequestStop(); }, [run] { return run->Finished(); });
  QObject::connect(form, &qt::TForm1::aboutClicked, form, [form] { Tabout::KaboutClick(form); });
  QObject::connect(form, &qt::TForm1::saveClicked, form, [this] { msaveClick(); });
  QObject::connect(form, &qt::TForm1::closed, form, [this] {
    panel_->Trace().Flush();
    Finish();
    disp_->AllowClose();
    disp_->close();
    QCoreApplication::quit();
  });
}

void Session::Show() {
  disp_->show();
  form_->show();
  // On a small screen the panel (taller by its menu and status bars than the board's window)
  // moves up over the plot's lower edge rather than off the bottom.
  if (QScreen* screen = form_->screen()) {
    const int overhang = form_->frameGeometry().bottom() - screen->availableGeometry().bottom();
    if (overhang > 0) form_->move(form_->x(), std::max(0, form_->y() - overhang));
  }
  if (!warnings_.isEmpty()) form_->StatusBar()->showMessage(warnings_.join("; "));
  if (QGuiApplication::platformName() != "offscreen") {
    form_->raise();
    form_->activateWindow();
  }
}

void Session::AtStepBoundary(const std::function<void()>& fn) {
  run_->RunAtBoundary(fn, ServeWindow);
}

bool Session::SaveState(const QString& path) {
  try {
    AtStepBoundary([this, &path] { run_->Engine().SaveSnapshotFile(path.toStdString()); });
    return true;
  } catch (const std::exception& e) {
    form_->ShowWarning("The state could not be saved: " + QString::fromLocal8Bit(e.what()));
    return false;
  }
}

bool Session::LoadState(const QString& path) {
  try {
    AtStepBoundary([this, &path] { run_->LoadSnapshotFile(path.toStdString()); });
    return true;
  } catch (const std::exception& e) {
    form_->ShowWarning("The state could not be loaded: " + QString::fromLocal8Bit(e.what()));
    return false;
  }
}

bool Session::msaveClick() {
  RamWords words;
  AtStepBoundary([this, &words] { words = CopyRam(*m_); });
  QString error;
  if (WriteRamFile(words, QDir(workDir_).filePath(RAM_FILE_NAME), &error)) return true;
  form_->ShowWarning(error);
  return false;
}

void Session::StopEmulation() {
  if (!run_ || !run_->Started() || run_->Finished()) return;
  run_->RequestStop();
  while (!run_->Finished()) {
    ServeWindow();
    if (!run_->Finished()) QThread::usleep(500);
  }
}

void Session::Report(const QString& message) {
  failed_ = true;
  std::fprintf(stderr, "kv74: %s\n", message.toLocal8Bit().constData());
}

void Session::Finish() {
  if (finished_ || !run_ || (run_->Started() && !run_->Finished())) return;
  finished_ = true;
  QString error;
  if (recorder_ && !recorder_->Finish(run_->Steps(), &error)) Report(error);
  if (!ramFile_.isEmpty() && !SaveRam(*m_, ramFile_, &error)) Report(error);
}

}  // namespace kv74::shell
