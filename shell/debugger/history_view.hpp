// The last steps run (the engine's history): PC, instruction and the registers each changed,
// newest last.
#pragma once

#include <QWidget>

class QListWidget;

namespace kv74::shell::dbgwin {

class Controller;

class HistoryView final : public QWidget {
 public:
  explicit HistoryView(Controller& controller, QWidget* parent = nullptr);
  QListWidget* List() { return list_; }

 private:
  void Update();

  Controller& controller_;
  QListWidget* list_;
};

}  // namespace kv74::shell::dbgwin
