// Disassembly around PC (or around an address gone to): labels, source file and line with the
// line's text when debug information is present, data regions as .word. A click in the margin
// toggles a breakpoint; a double click on a jump or call follows its target.
#pragma once

#include <QHash>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "cpu/machine.hpp"

class QLineEdit;
class QLabel;
class QTableWidget;

namespace kv74::shell::dbgwin {

class Controller;

// Where a jump or call at `address` goes, read from the machine as it stands.
std::optional<std::uint16_t> JumpTarget(const MachineState& m, std::uint16_t address);

class DisassemblyView final : public QWidget {
 public:
  static constexpr int kRows = 40;
  enum Column { Margin, Address, Label, Code, Source, ColumnCount };

  explicit DisassemblyView(Controller& controller, QWidget* parent = nullptr);

  // Shows the code from around `address` until the next stop, its row marked; false for text
  // that names no address: the reason shows under the box, which returns to the last good target.
  bool GoTo(const QString& text);
  QString GoToError() const;
  // The address shown in `row`, if any.
  std::optional<std::uint16_t> RowAddress(int row) const;
  int RowOf(std::uint16_t address) const;
  QTableWidget* Table() { return table_; }

 private:
  void Update();
  void Fill();
  void Clicked(int row, int column);
  void Followed(int row);
  QString SourceText(int source, int line);

  Controller& controller_;
  QLineEdit* goTo_;
  QLabel* goToError_;
  QTableWidget* table_;
  QString goneTo_;                         // the last good go-to text
  std::optional<std::uint16_t> selected_;  // the row the user chose, by address
  std::optional<std::uint16_t> anchor_;    // gone to; PC when empty
  std::uint16_t lastPc_ = 0;
  bool updating_ = false;  // the selection moved by Update, not by the user
  QHash<int, QStringList> sources_;
};

}  // namespace kv74::shell::dbgwin
