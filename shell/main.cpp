// kv74: the controller's front panel and tool-path plot over the emulated processor.
#include <cstdio>
#include <exception>

#include "shell/application.hpp"
#include "shell/options.hpp"
#include "shell/screenshot.hpp"
#include "shell/session.hpp"

namespace {

int Run(kv74::shell::Application& app, const kv74::shell::Options& options) {
  int result = 0;
  try {
    kv74::shell::SessionOptions so;
    so.imageDir = options.imageDir;
    kv74::shell::Session session(so);
    session.Show();
    if (!options.screenshotPrefix.isEmpty()) {
      kv74::shell::ScheduleScreenshot(&session.Form(), &session.Disp(), options.screenshotPrefix,
                                      options.afterMs, [&result](bool ok) {
                                        if (!ok) result = 1;
                                      });
    }
    app.exec();
  } catch (const std::exception& e) {
    // A failed start (a missing image, ...): told to the user, and the program fails.
    kv74::shell::Application::ShowError(QString::fromLocal8Bit(e.what()));
    return 1;
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  kv74::shell::Application app(argc, argv);
  kv74::shell::ParsedOptions parsed = kv74::shell::ParseOptions(app.arguments());
  if (!parsed.options) {
    std::fputs(parsed.output.toLocal8Bit().constData(), parsed.exitCode == 0 ? stdout : stderr);
    return parsed.exitCode;
  }
  return Run(app, *parsed.options);
}
