// The Qt application of the emulator: the classic silver desktop look, and an exception that
// escapes an event handler is shown to the user with its text instead of ending the program.
#pragma once

#include <QApplication>

namespace kv74::shell {

class Application final : public QApplication {
 public:
  Application(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Tells the user about a failure: on stderr, and in a message box when there is a screen.
  static void ShowError(const QString& message);
};

}  // namespace kv74::shell
