// Command-line options. With none the program behaves exactly as the controller's emulator always
// has; the rest serve firmware developers and scripts.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace kv74::shell {

struct Options {
  QString imageDir;          // --images DIR: firmware images of the user's own; empty = bundled
  QString screenshotPrefix;  // --screenshot PREFIX: grab both windows, then close
  int afterMs = 3000;        // --after MS: when to grab
};

struct ParsedOptions {
  std::optional<Options> options;  // empty: the program ends at once with `exitCode`
  QString output;                  // help, version or error text
  int exitCode = 0;
};

ParsedOptions ParseOptions(const QStringList& arguments);

}  // namespace kv74::shell
