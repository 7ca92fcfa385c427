// The whole address space eight words to a row, each row led by its address and symbol; the
// areas (program, data, table, I/O page) and any address or expression are gone to by scrolling.
// Only the rows in sight are read. A value typed over a word is stored while the machine is paused;
// words that changed since the last look are red, and watched words (a watchpoint's range) that
// changed are marked.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "board/machine.hpp"

class QComboBox;
class QLineEdit;
class QTableView;

namespace kv74::shell::dbgwin {

class Controller;

// The words as Qt asks for them, compared with the machine of the look before.
class MemoryModel final : public QAbstractTableModel {
 public:
  static constexpr int kPerRow = 8;
  static constexpr int kRows = 0x10000 / kPerRow;

  explicit MemoryModel(Controller& controller, QObject* parent = nullptr);
  // New view data; `target` is the word gone to.
  void Refresh(std::uint16_t target);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // A value typed over a word: stored through the monitor; its error is the cell's tool tip.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  Controller& controller_;
  std::shared_ptr<const BoardState> before_;  // the machine at the look before
  std::shared_ptr<const BoardState> now_;
  std::uint16_t target_ = 0;
  int errorAt_ = -1;  // the word whose last edit failed
  QString error_;
};

class MemoryView final : public QWidget {
 public:
  static constexpr int kPerRow = MemoryModel::kPerRow;

  explicit MemoryView(Controller& controller, QWidget* parent = nullptr);
  // From the address an expression or symbol gives; false when it gives none.
  bool Show(const QString& text);
  std::uint16_t First() const { return first_; }
  QTableView* Table() { return table_; }
  MemoryModel& Model() { return *model_; }

 private:
  void Update();
  void ScrollTo(std::uint16_t address);

  Controller& controller_;
  QComboBox* area_;
  QLineEdit* address_;
  MemoryModel* model_;
  QTableView* table_;
  std::uint16_t first_ = 0;
  bool placed_ = false;  // scrolled to the first area once the machine is read
};

}  // namespace kv74::shell::dbgwin
