// The routines the processor is in (the engine tracks calls, request entries and returns),
// innermost first; a double click shows a frame's call site in the disassembly.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

class QListWidget;

namespace kv74::shell::dbgwin {

class Controller;

class CallStackView final : public QWidget {
 public:
  CallStackView(Controller& controller, std::function<void(std::uint16_t)> show,
                QWidget* parent = nullptr);
  QListWidget* List() { return list_; }

 private:
  void Update();

  Controller& controller_;
  QListWidget* list_;
};

}  // namespace kv74::shell::dbgwin
