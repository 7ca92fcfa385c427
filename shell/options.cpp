#include "shell/options.hpp"

#include <QCommandLineParser>

namespace kv74::shell {
namespace {

constexpr double kMaxSpeedFactor = 1000;

// The help text names the program kv74, whatever path started it.
QString HelpText(const QCommandLineParser& parser) {
  QString text = parser.helpText();
  const qsizetype eol = text.indexOf('\n');
  return "Usage: kv74 [options]" + (eol < 0 ? QString("\n") : text.mid(eol));
}

ParsedOptions Fail(const QString& message) {
  ParsedOptions r;
  r.output = "kv74: " + message + "\nTry 'kv74 --help'.\n";
  r.exitCode = 2;
  return r;
}

}  // namespace

std::optional<double> ParseSpeed(const QString& text) {
  if (text == "max") return 0.0;
  if (text == "real") return 1.0;
  bool ok = false;
  const double factor = text.toDouble(&ok);
  if (!ok || !(factor > 0) || factor > kMaxSpeedFactor) return std::nullopt;
  return factor;
}

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
  QCommandLineOption speed("speed",
                           "max (as fast as the host allows, the default), real (the board's "
                           "1.01 million steps per second) or FACTOR times real time.",
                           "SPEED");
  QCommandLineOption record("record",
                            "Write every click with its step to FILE, as an input script.", "FILE");
  QCommandLineOption input("input", "Replay the clicks of the input script FILE.", "FILE");
  QCommandLineOption exitAt("exit-at", "Close when the step count reaches STEPS.", "STEPS");
  QCommandLineOption paused("paused", "Start paused, before the first step.");
  QCommandLineOption ram("ram",
                         "Battery-backed RAM: load FILE (8192 bytes) over the RAM image at start, "
                         "save the RAM to it at the end.",
                         "FILE");
  QCommandLineOption loadState("load-state",
                               "Start from the snapshot FILE (saved from the window's File menu "
                               "or by the run-control tools).",
                               "FILE");
  QCommandLineOption overlay("plot-overlay", "Show axes and scale over the plot from the start.");
  QCommandLineOption debug("debug",
                           "Open the debugger window, paused before the first step (Debug -> "
                           "Debugger opens it later).");
  QCommandLineOption debugInfo("debug-info",
                               "Symbols and source lines from FILE (default: V4.debug.json beside "
                               "the images, when present).",
                               "FILE");
  parser.addOptions({help, version, images, screenshot, after, speed, record, input, exitAt, paused,
                     ram, loadState, overlay, debug, debugInfo});

  if (!parser.parse(arguments)) return Fail(parser.errorText());
  ParsedOptions result;
  if (parser.isSet(help)) {
    result.output = HelpText(parser);
    return result;
  }
  if (parser.isSet(version)) {
    result.output = QString("KV7402 (kv74) ") + KV74_VERSION + "\n";
    return result;
  }
  if (!parser.positionalArguments().isEmpty())
    return Fail("unexpected argument: " + parser.positionalArguments().front());
  Options o;
  o.imageDir = parser.value(images);
  o.screenshotPrefix = parser.value(screenshot);
  if (parser.isSet(after)) {
    bool ok = false;
    o.afterMs = parser.value(after).toInt(&ok);
    if (!ok || o.afterMs < 0)
      return Fail("--after needs a number of milliseconds, not " + parser.value(after));
  }
  if (parser.isSet(speed)) {
    const std::optional<double> s = ParseSpeed(parser.value(speed));
    if (!s) {
      return Fail("--speed takes max, real or a factor above 0 up to 1000, not " +
                  parser.value(speed));
    }
    o.speed = *s;
  }
  if (parser.isSet(exitAt)) {
    bool ok = false;
    const qulonglong n = parser.value(exitAt).toULongLong(&ok);
    if (!ok) return Fail("--exit-at needs a number of steps, not " + parser.value(exitAt));
    o.exitAt = n;
  }
  o.record = parser.value(record);
  o.input = parser.value(input);
  o.startPaused = parser.isSet(paused);
  o.ramFile = parser.value(ram);
  o.loadState = parser.value(loadState);
  o.plotOverlay = parser.isSet(overlay);
  o.debug = parser.isSet(debug);
  o.debugInfo = parser.value(debugInfo);
  result.options = o;
  return result;
}

}  // namespace kv74::shell
