// The routines by steps (self and inclusive) and calls, from the coverage counted so far
// (debug::RoutineCosts), sortable by any column; Reset counts afresh, a double click shows the
// routine in the disassembly. Read only while the view is open (Controller::ShowCoverage).
#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "debug/reports.hpp"

class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace kv74::shell::dbgwin {

class Controller;

enum ProfileColumn { Routine, Self, Inclusive, Calls, ProfileColumnCount };

class ProfileModel final : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;
  void Set(std::vector<debug::RoutineCost> rows, bool inclusive);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  // Qt::UserRole: the number a column sorts by (the name for Routine), Qt::UserRole + 1 the
  // routine's start.
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<debug::RoutineCost> rows_;
  std::uint64_t total_ = 0;
  bool inclusive_ = false;  // known: counted with the call tree
};

class ProfileView final : public QWidget {
 public:
  ProfileView(Controller& controller, std::function<void(std::uint16_t)> show,
              QWidget* parent = nullptr);
  QTableView* Table() { return table_; }
  QPushButton* ResetButton() { return reset_; }
  QString StatusText() const;

 private:
  void Update();

  Controller& controller_;
  QLabel* status_;
  QPushButton* reset_;
  ProfileModel* model_;
  QSortFilterProxyModel* sorted_;
  QTableView* table_;
};

}  // namespace kv74::shell::dbgwin
