// The monitor's console in the window: a command line (with its history on Up and Down) and the
// answers; every command of kv74-run's monitor ("help" lists them).
#pragma once

#include <QStringList>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;

namespace kv74::shell::dbgwin {

class Controller;

class ConsoleView final : public QWidget {
 public:
  explicit ConsoleView(Controller& controller, QWidget* parent = nullptr);
  // As if typed and entered.
  void Enter(const QString& line);
  QString Text() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Controller& controller_;
  QPlainTextEdit* log_;
  QLineEdit* line_;
  QStringList entered_;
  int recalled_ = 0;
};

}  // namespace kv74::shell::dbgwin
