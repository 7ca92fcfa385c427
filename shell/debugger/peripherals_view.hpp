// The peripherals: the timer, the three pulse channels and the jog counter, the handshake
// sequencer (fields named as in kv74-run's state JSON), and the I/O page's ports and registers.
#pragma once

#include <QWidget>

class QTreeWidget;

namespace kv74::shell::dbgwin {

class Controller;

class PeripheralsView final : public QWidget {
 public:
  explicit PeripheralsView(Controller& controller, QWidget* parent = nullptr);
  QTreeWidget* Tree() { return tree_; }

 private:
  void Update();

  Controller& controller_;
  QTreeWidget* tree_;
};

}  // namespace kv74::shell::dbgwin
