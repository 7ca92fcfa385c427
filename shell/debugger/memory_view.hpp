// Words of any area (program, data, table, I/O page) eight to a row, each row led by its address
// and symbol. A value typed over a word is stored while the machine is paused; words that changed
// since the last look are red, and watched words (a watchpoint's range) that changed are marked.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

class QComboBox;
class QLineEdit;
class QTableWidget;
class QTableWidgetItem;

namespace kv74::shell::dbgwin {

class Controller;

class MemoryView final : public QWidget {
 public:
  static constexpr int kRows = 32;
  static constexpr int kPerRow = 8;

  explicit MemoryView(Controller& controller, QWidget* parent = nullptr);
  // From the address an expression or symbol gives; false when it gives none.
  bool Show(const QString& text);
  std::uint16_t First() const { return first_; }
  QTableWidget* Table() { return table_; }

 private:
  QTableWidgetItem* Cell(int row, int column);
  void Update();
  void Edited(QTableWidgetItem* item);

  Controller& controller_;
  QComboBox* area_;
  QLineEdit* address_;
  QTableWidget* table_;
  std::uint16_t first_ = 0;
  std::vector<std::uint16_t> last_;  // the words at the last look, from lastFirst_
  std::uint16_t lastFirst_ = 0;
  bool updating_ = false;
};

}  // namespace kv74::shell::dbgwin
