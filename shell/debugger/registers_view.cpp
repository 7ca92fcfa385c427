#include "shell/debugger/registers_view.hpp"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "debug/history.hpp"
#include "monitor/expr.hpp"
#include "shell/debugger/controller.hpp"

namespace kv74::shell::dbgwin {
namespace {

// The registers shown: the processor's, then the pending requests.
constexpr int kShown[] = {0,          1,
                          2,          3,
                          4,          5,
                          6,          7,
                          8,          9,
                          10,         11,
                          12,         13,
                          14,         15,
                          reg::BASE0, reg::BASE1,
                          reg::SP,    reg::PC,
                          reg::FLAGS, reg::SCRATCH,
                          reg::IMASK, reg::FAULTS};
constexpr int kRows = static_cast<int>(std::size(kShown));

QString Name(int w) { return QString::fromStdString(mon::RegisterName(w)); }

}  // namespace

QString FlagsText(unsigned f) {
  QString t;
  t += f & flag::N ? 'N' : '-';
  t += f & flag::Z ? 'Z' : '-';
  t += f & flag::V ? 'V' : '-';
  t += f & flag::C ? 'C' : '-';
  return t;
}

RegistersView::RegistersView(Controller& controller, QWidget* parent)
    : QWidget(parent), controller_(controller), table_(new QTableWidget(kRows, 3, this)) {
  setObjectName("registers");
  table_->setHorizontalHeaderLabels({"Register", "Value", "Decoded"});
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(18);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setFont(QFont("Monospace", 9));
  shown_.resize(kRows);
  before_.resize(kRows);
  for (int r = 0; r < kRows; ++r) {
    auto* name = new QTableWidgetItem(Name(kShown[r]));
    name->setFlags(Qt::ItemIsEnabled);
    table_->setItem(r, 0, name);
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(table_);
  connect(table_, &QTableWidget::itemChanged, this, &RegistersView::Edited);
  connect(&controller_, &Controller::refreshed, this, &RegistersView::Update);
}

QTableWidgetItem* RegistersView::Cell(int row, int column) {
  QTableWidgetItem* item = table_->item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    table_->setItem(row, column, item);
  }
  return item;
}

void RegistersView::Update() {
  const ViewData& d = controller_.Data();
  if (!d.m) return;
  updating_ = true;
  if (d.steps != steps_) {
    before_ = shown_;
    steps_ = d.steps;
  }
  for (int r = 0; r < kRows; ++r) {
    const int w = kShown[r];
    const unsigned v = (*d.m)[w];
    const QString text = QString("%1").arg(v, 4, 16, QChar('0')).toUpper();
    QTableWidgetItem* value = Cell(r, 1);
    value->setData(Qt::UserRole, w);
    const bool editable = d.paused && w != reg::FAULTS;
    value->setFlags(editable ? Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsSelectable
                             : Qt::ItemIsEnabled);
    // Against the values before the last step (an edit since is marked too).
    if (!before_[r]) before_[r] = v;
    value->setForeground(*before_[r] != v ? Qt::red : Qt::black);
    shown_[r] = v;
    value->setText(text);
    QString note;
    if (w == reg::FLAGS) note = FlagsText(v);
    if (w < 16) note = QString::number(static_cast<std::int16_t>(v));
    QTableWidgetItem* decoded = Cell(r, 2);
    decoded->setFlags(Qt::ItemIsEnabled);
    decoded->setText(note);
  }
  updating_ = false;
}

void RegistersView::Edited(QTableWidgetItem* item) {
  if (updating_ || item->column() != 1) return;
  const int w = item->data(Qt::UserRole).toInt();
  QString text = item->text().trimmed();
  bool hex = false;
  text.toUInt(&hex, 16);
  if (hex && !text.startsWith("0x", Qt::CaseInsensitive)) text = "0x" + text;
  const QString answer = controller_.ExecuteNow("set " + Name(w) + " = " + text);
  const bool failed = answer.startsWith("error:");
  updating_ = true;  // the tool tip is a change of the item too
  item->setToolTip(failed ? answer.trimmed() : QString());
  updating_ = false;
  if (failed) controller_.Refresh();
}

}  // namespace kv74::shell::dbgwin
