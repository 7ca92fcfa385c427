#include "shell/session.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QThread>

#include "emu/image.hpp"
#include "emu/power.hpp"
#include "shell/about.hpp"
#include "shell/ram_save.hpp"
#include "shell/wiring.hpp"

namespace kv74::shell {

Session::Session(const SessionOptions& options)
    : workDir_(options.workDir), m_(std::make_unique<MachineState>()) {
  form_ = std::make_unique<qt::TForm1>();
  disp_ = std::make_unique<TDisp>();
  PanelOptions panelOptions;
  panelOptions.traceDirectory = QDir(workDir_).filesystemAbsolutePath();
  qt::TForm1* form = form_.get();
  panelOptions.warn = [form](const std::string& message) {
    form->ShowWarning(QString::fromStdString(message));
  };
  panel_ = std::make_unique<PanelLogic>(*m_, *form_, *disp_, std::move(panelOptions));
  handover_ = std::make_unique<qt::WindowHandover>(form_.get());
  // RunFlag is 1 from here on, before any image is loaded.
  thread_ = std::make_unique<EmulationThread>(*m_, *handover_);
  std::filesystem::path dir = options.imageDir.isEmpty()
                                  ? DefaultImageDir()
                                  : std::filesystem::path(options.imageDir.toStdString());
  LoadImages(*m_, dir);
  PowerOn(*m_);
  Wire();
  thread_->Start();
  panel_->StartUp();
}

Session::~Session() {
  StopEmulation();
  thread_.reset();
  panel_.reset();  // flushes the trace
  handover_.reset();
  disp_.reset();
  form_.reset();
}

void Session::Wire() {
  qt::TForm1* form = form_.get();
  WirePanel(*form, *panel_);
  EmulationThread* thread = thread_.get();
  form->SetStopHandshake([thread] { thread->RequestStop(); },
                         [thread] { return thread->Finished(); });
  QObject::connect(form, &qt::TForm1::aboutClicked, form, [form] { Tabout::KaboutClick(form); });
  QObject::connect(form, &qt::TForm1::saveClicked, form, [this] { msaveClick(); });
  QObject::connect(form, &qt::TForm1::closed, form, [this] {
    panel_->Trace().Flush();
    disp_->AllowClose();
    disp_->close();
    QCoreApplication::quit();
  });
}

void Session::Show() {
  disp_->show();
  form_->show();
  if (QGuiApplication::platformName() != "offscreen") {
    form_->raise();
    form_->activateWindow();
  }
}

bool Session::msaveClick() {
  QString error;
  if (SaveRam(*m_, QDir(workDir_).filePath(RAM_FILE_NAME), &error)) return true;
  form_->ShowWarning(error);
  return false;
}

void Session::StopEmulation() {
  if (!thread_ || thread_->Finished()) return;
  thread_->RequestStop();
  while (!thread_->Finished()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!thread_->Finished()) QThread::usleep(500);
  }
}

}  // namespace kv74::shell
