// Disassembly of the whole address space, one row per instruction start of the debug
// information (RowMap), scrolled to PC (or to an address gone to): labels, source file and line
// with the line's text, data regions as .word. Only the rows in sight are decoded. A click in the
// margin toggles a breakpoint; a double click on a jump or call follows its target. While the
// coverage views are open, the Runs column shows each instruction's count and the instruction
// and source columns are tinted by their coverage marks (debug/coverage_marks.hpp).
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "board/machine.hpp"
#include "debug/coverage_marks.hpp"
#include "shell/debugger/row_map.hpp"

class QLineEdit;
class QLabel;
class QTableView;

namespace kv74::shell::dbgwin {

class Controller;

// Where a jump or call at `address` goes, read from the machine as it stands.
std::optional<std::uint16_t> JumpTarget(const BoardState& m, std::uint16_t address);

enum DisassemblyColumn { Margin, Address, Runs, Label, Code, Source, ColumnCount };

// The rows as Qt asks for them, read from the controller's view data.
class DisassemblyModel final : public QAbstractTableModel {
 public:
  explicit DisassemblyModel(Controller& controller, QObject* parent = nullptr);

  const RowMap& Map() const { return map_; }
  // New view data (and debug information, which rebuilds the rows).
  void Refresh(std::optional<std::uint16_t> target);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QString SourceText(int source, int line) const;

  Controller& controller_;
  const dbg::DebugInfo* mapped_;
  RowMap map_;
  std::optional<std::uint16_t> target_;
  mutable QHash<int, QStringList> sources_;
};

class DisassemblyView final : public QWidget {
 public:
  using enum DisassemblyColumn;

  explicit DisassemblyView(Controller& controller, QWidget* parent = nullptr);

  // Shows the code from around `address` until the next stop, its row marked; false for text
  // that names no address: the reason shows under the box, which returns to the last good target.
  bool GoTo(const QString& text);
  QString GoToError() const;
  // The address shown in `row`, if any.
  std::optional<std::uint16_t> RowAddress(int row) const;
  // The row of the instruction holding `address`.
  int RowOf(std::uint16_t address) const;
  QTableView* Table() { return table_; }
  // The tint of a coverage mark (none for Mark::None).
  static QColor MarkColor(debug::Mark mark);
  DisassemblyModel& Model() { return *model_; }

 private:
  void Update();
  void Clicked(const QModelIndex& index);
  void Followed(const QModelIndex& index);

  Controller& controller_;
  QLineEdit* goTo_;
  QLabel* goToError_;
  DisassemblyModel* model_;
  QTableView* table_;
  QString goneTo_;                         // the last good go-to text
  std::optional<std::uint16_t> selected_;  // the row the user chose, by address
  std::optional<std::uint16_t> anchor_;    // gone to; PC when empty
  std::optional<std::uint16_t> shown_;     // the anchor last scrolled into view
  std::uint16_t lastPc_ = 0;
  bool updating_ = false;  // the selection moved by Update, not by the user
};

}  // namespace kv74::shell::dbgwin
