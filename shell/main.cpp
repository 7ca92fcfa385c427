// kv74: the controller's front panel and tool-path plot over the emulated processor.
#include <cstdio>
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
  kv74::shell::Application app(argc, argv);
  return Run(app, *parsed.options);
}
