// The processor's registers by the names the disassembler writes, the flags decoded; a value
// typed over one (hex, or any monitor expression) is stored while the machine is paused.
#pragma once

#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

class QTableWidget;
class QTableWidgetItem;

namespace kv74::shell::dbgwin {

class Controller;

class RegistersView final : public QWidget {
 public:
  explicit RegistersView(Controller& controller, QWidget* parent = nullptr);
  QTableWidget* Table() { return table_; }

 private:
  QTableWidgetItem* Cell(int row, int column);
  void Update();
  void Edited(QTableWidgetItem* item);

  Controller& controller_;
  QTableWidget* table_;
  std::vector<std::optional<unsigned>> shown_;   // the values of the last look, by row
  std::vector<std::optional<unsigned>> before_;  // those of the look before the last step
  std::uint64_t steps_ = ~std::uint64_t{0};      // the step count of the last look
  bool updating_ = false;
};

// "N-V-": the set flags of a flags word.
QString FlagsText(unsigned flags);

}  // namespace kv74::shell::dbgwin
