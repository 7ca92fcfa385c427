// Command-line options. With none the program behaves exactly as the controller's emulator always
// has; the rest serve firmware developers and scripts. Parsed before the window system starts, so
// --help and --version need no display.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace kv74::shell {

struct Options {
  QString imageDir;          // --images DIR: firmware images of the user's own; empty = bundled
  QString screenshotPrefix;  // --screenshot PREFIX: grab both windows, then close
  int afterMs = 3000;        // --after MS: when to grab
  double speed = 0;          // --speed: times real time; 0 = as fast as the host allows
  QString record;            // --record FILE: the session's clicks as an input script
  QString input;             // --input FILE: an input script replayed in the window
  std::optional<std::uint64_t> exitAt;  // --exit-at STEPS: close when the count reaches it
  bool startPaused = false;             // --paused: stand still before the first step
  QString ramFile;                      // --ram FILE: battery-backed RAM
  QString loadState;                    // --load-state FILE: a snapshot to start from
  bool plotOverlay = false;             // --plot-overlay: axes and scale over the plot
  bool debug = false;                   // --debug: the debugger window open, paused at power-on
  QString debugInfo;                    // --debug-info FILE: else V4.debug.json beside the images
};

struct ParsedOptions {
  std::optional<Options> options;  // empty: the program ends at once with `exitCode`
  QString output;                  // help, version or error text
  int exitCode = 0;
};

// `arguments` starts with the program's own path, as argv does.
ParsedOptions ParseOptions(const QStringList& arguments);

// "max" -> 0, "real" -> 1, a positive number -> itself; empty when the text is none of these.
std::optional<double> ParseSpeed(const QString& text);

}  // namespace kv74::shell
