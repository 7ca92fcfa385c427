#include "shell/options.hpp"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace kv74::shell {

ParsedOptions ParseOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "KV-74 lathe controller emulator: runs the controller's firmware behind its front panel.");
  QCommandLineOption help({"h", "help"}, "Show this help and exit.");
  QCommandLineOption version({"v", "version"}, "Show the version and exit.");
  QCommandLineOption images("images", "Load the images V4, AMT and RAM from DIR.", "DIR");
  QCommandLineOption screenshot("screenshot",
                                "Save both windows as PREFIX-panel.png and PREFIX-plot.png, "
                                "then close.",
                                "PREFIX");
  QCommandLineOption after("after", "Take the screenshot after MS milliseconds (3000).", "MS");
  parser.addOptions({help, version, images, screenshot, after});

  ParsedOptions result;
  if (!parser.parse(arguments)) {
    result.output = parser.errorText() + "\n\n" + parser.helpText();
    result.exitCode = 2;
    return result;
  }
  if (parser.isSet(help)) {
    result.output = parser.helpText();
    return result;
  }
  if (parser.isSet(version)) {
    result.output = QCoreApplication::applicationName() + " (kv74) " +
                    QCoreApplication::applicationVersion() + "\n";
    return result;
  }
  if (!parser.positionalArguments().isEmpty()) {
    result.output =
        "unexpected argument: " + parser.positionalArguments().front() + "\n\n" + parser.helpText();
    result.exitCode = 2;
    return result;
  }
  Options o;
  o.imageDir = parser.value(images);
  o.screenshotPrefix = parser.value(screenshot);
  if (parser.isSet(after)) {
    bool ok = false;
    o.afterMs = parser.value(after).toInt(&ok);
    if (!ok || o.afterMs < 0) {
      result.output = "--after needs a number of milliseconds, not " + parser.value(after) + "\n";
      result.exitCode = 2;
      return result;
    }
  }
  result.options = o;
  return result;
}

}  // namespace kv74::shell
