#include "shell/debugger/points_view.hpp"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "shell/debugger/controller.hpp"

namespace kv74::shell::dbgwin {
namespace {

const char* const kKinds[] = {"break", "watch", "catch"};

QString WhereText(const debug::Point& p) {
  QString where = QString::fromStdString(p.location);
  if (p.kind == debug::PointKind::Break) {
    const QString hex =
        QString("0x%1").arg(p.first, 4, 16, QChar('0')).toUpper().replace("0X", "0x");
    where = where.isEmpty() || where == hex ? hex : hex + "  " + where;
  }
  return where;
}

}  // namespace

PointsView::PointsView(Controller& controller, QWidget* parent)
    : QWidget(parent),
      controller_(controller),
      add_(new QLineEdit(this)),
      table_(new QTableWidget(0, ColumnCount, this)) {
  setObjectName("points");
  add_->setObjectName("pointsAdd");
  add_->setPlaceholderText(
      "break LOC [if EXPR] | watch ADDR[..ADDR] [if EXPR] | catch request|fault|handover");
  table_->setHorizontalHeaderLabels({"#", "On", "Kind", "Where", "Condition", "Hits"});
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(18);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setColumnWidth(Id, 30);
  table_->setColumnWidth(On, 30);
  table_->setColumnWidth(Kind, 50);
  table_->setColumnWidth(Where, 200);
  table_->setColumnWidth(Condition, 150);
  auto* remove = new QPushButton("Remove", this);
  auto* top = new QHBoxLayout;
  top->addWidget(add_, 1);
  top->addWidget(remove);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(top);
  layout->addWidget(table_);
  connect(add_, &QLineEdit::returnPressed, this, [this] {
    if (Add(add_->text())) add_->clear();
  });
  connect(remove, &QPushButton::clicked, this, &PointsView::RemoveSelected);
  connect(table_, &QTableWidget::itemChanged, this, &PointsView::Edited);
  connect(&controller_, &Controller::refreshed, this, &PointsView::Update);
}

bool PointsView::Add(const QString& command) {
  const QString verb = command.trimmed().section(' ', 0, 0);
  static const QStringList kAdding{"break", "b", "tbreak", "watch", "w", "catch"};
  if (!kAdding.contains(verb)) {
    add_->setToolTip("break, tbreak, watch or catch");
    return false;
  }
  const QString answer = controller_.ExecuteNow(command);
  add_->setToolTip(answer.trimmed());
  return !answer.startsWith("error:");
}

void PointsView::Update() {
  const ViewData& d = controller_.Data();
  QString shown;
  for (const debug::Point& p : d.points) {
    shown += QString("%1|%2|%3|%4|%5\n")
                 .arg(p.id)
                 .arg(p.enabled)
                 .arg(WhereText(p), QString::fromStdString(p.conditionText))
                 .arg(p.hits);
  }
  if (shown == shown_) return;
  shown_ = shown;
  updating_ = true;
  table_->setRowCount(static_cast<int>(d.points.size()));
  int row = 0;
  for (const debug::Point& p : d.points) {
    const QString cells[ColumnCount] = {QString::number(p.id),
                                        QString(),
                                        kKinds[static_cast<int>(p.kind)],
                                        WhereText(p),
                                        QString::fromStdString(p.conditionText),
                                        QString::number(p.hits)};
    for (int c = 0; c < ColumnCount; ++c) {
      QTableWidgetItem* item = table_->item(row, c);
      if (!item) {
        item = new QTableWidgetItem;
        table_->setItem(row, c, item);
      }
      item->setText(cells[c]);
      item->setData(Qt::UserRole, p.id);
      Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
      if (c == On) {
        flags |= Qt::ItemIsUserCheckable;
        item->setCheckState(p.enabled ? Qt::Checked : Qt::Unchecked);
      }
      if (c == Condition && p.kind != debug::PointKind::Catch) flags |= Qt::ItemIsEditable;
      item->setFlags(flags);
    }
    ++row;
  }
  updating_ = false;
}

void PointsView::Edited(QTableWidgetItem* item) {
  if (updating_) return;
  const int id = item->data(Qt::UserRole).toInt();
  if (item->column() == On) {
    controller_.SetEnabled(id, item->checkState() == Qt::Checked);
  } else if (item->column() == Condition) {
    QString error;
    if (!controller_.SetCondition(id, item->text(), &error)) add_->setToolTip(error);
  }
}

void PointsView::RemoveSelected() {
  const int row = table_->currentRow();
  if (row < 0 || !table_->item(row, Id)) return;
  controller_.Remove(table_->item(row, Id)->data(Qt::UserRole).toInt());
}

}  // namespace kv74::shell::dbgwin
