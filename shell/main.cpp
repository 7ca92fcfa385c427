// kv74: the controller's front panel and tool-path plot over the emulated processor.
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "shell/application.hpp"
#include "shell/debug_menu.hpp"
#include "shell/debugger/debugger_window.hpp"
#include "shell/options.hpp"
#include "shell/run_controls.hpp"
#include "shell/screenshot.hpp"
#include "shell/session.hpp"
#include "shell/signals.hpp"

namespace {

int Run(kv74::shell::Application& app, const kv74::shell::Options& options) {
  int result = 0;
  try {
    kv74::shell::SessionOptions so;
    so.imageDir = options.imageDir;
    so.speed = options.speed;
    so.startPaused = options.startPaused || options.debug;
    so.reverse = options.debug;
    so.input = options.input;
    so.record = options.record;
    so.exitAt = options.exitAt;
    so.ramFile = options.ramFile;
    so.loadState = options.loadState;
    kv74::shell::Session session(so);
    kv74::shell::RunControls controls(session, options.plotOverlay);
    kv74::shell::DebugMenu debugMenu(session, session.ImageDir(), options.debugInfo);
    kv74::shell::CloseOnSignals(&session.Form());
    session.Show();
    if (options.debug) debugMenu.Open();
    if (!options.screenshotPrefix.isEmpty()) {
      kv74::shell::ScheduleScreenshot(
          &session.Form(), &session.Disp(), options.screenshotPrefix, options.afterMs,
          [&result](bool ok) {
            if (!ok) result = 1;
          },
          debugMenu.Window());
    }
    app.exec();
    session.StopEmulation();
    if (session.Failed()) result = 1;
  } catch (const std::exception& e) {
    // A failed start (a missing image, ...): told to the user, and the program fails.
    kv74::shell::Application::ShowError(QString::fromLocal8Bit(e.what()));
    return 1;
  }
  return result;
}

// While the application starts: the platform's complaints are kept, and the fatal one (no
// display, no usable platform plugin) becomes one line and exit status 2 instead of an abort.
QString platformComplaint;
void StartupMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  const bool platform =
      context.category != nullptr && QString(context.category).startsWith("qt.qpa");
  if (type != QtFatalMsg) {
    if (platform && platformComplaint.isEmpty()) platformComplaint = text;
    if (!platform) std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    return;
  }
  const QString why =
      platformComplaint.isEmpty() ? QString("no usable Qt platform") : platformComplaint;
  std::fprintf(stderr,
               "kv74: cannot open a window (%s); kv74-run runs the firmware without one, "
               "QT_QPA_PLATFORM=offscreen runs this program without a screen\n",
               why.toLocal8Bit().constData());
  std::_Exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  // Options first: --help, --version and a bad option need no display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  kv74::shell::ParsedOptions parsed = kv74::shell::ParseOptions(arguments);
  if (!parsed.options) {
    std::fputs(parsed.output.toLocal8Bit().constData(), parsed.exitCode == 0 ? stdout : stderr);
    return parsed.exitCode;
  }
  const QtMessageHandler saved = qInstallMessageHandler(StartupMessages);
  kv74::shell::Application app(argc, argv);
  qInstallMessageHandler(saved);
  return Run(app, *parsed.options);
}
