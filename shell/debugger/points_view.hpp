// Breakpoints, watchpoints and catchpoints: one row each with its number, an enable box, what it
// stops at, its condition (a monitor expression, edited in place) and its hits. New points are
// added in the monitor's words ("break motion.asm:42 if R0 == 3", "watch 0x4212", "catch fault").
#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QTableWidget;
class QTableWidgetItem;

namespace kv74::shell::dbgwin {

class Controller;

class PointsView final : public QWidget {
 public:
  enum Column { Id, On, Kind, Where, Condition, Hits, ColumnCount };

  explicit PointsView(Controller& controller, QWidget* parent = nullptr);
  QTableWidget* Table() { return table_; }
  // Adds a point as the monitor's break/tbreak/watch/catch command would; false (the reason in
  // the box's tool tip) when the text is not one.
  bool Add(const QString& command);

 private:
  void Update();
  void Edited(QTableWidgetItem* item);
  void RemoveSelected();

  Controller& controller_;
  QLineEdit* add_;
  QTableWidget* table_;
  QString shown_;  // what the table shows, to rebuild it only when that changes
  bool updating_ = false;
};

}  // namespace kv74::shell::dbgwin
