#include "shell/debugger/memory_view.hpp"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

#include "debug/location.hpp"
#include "monitor/expr.hpp"
#include "shell/debugger/controller.hpp"

namespace kv74::shell::dbgwin {
namespace {

struct Area {
  const char* name;
  std::uint16_t first;
};
constexpr Area kAreas[] = {
    {"Program", PROGRAM_BASE}, {"Data", DATA_BASE}, {"Table", TABLE_BASE}, {"I/O page", IO_BASE}};

const QColor kWatched(220, 235, 255);
const QColor kWatchedChanged(255, 200, 120);

QString Hex4(unsigned v) { return QString("%1").arg(v & 0xFFFFu, 4, 16, QChar('0')).toUpper(); }

bool Watched(const ViewData& d, std::uint16_t a) {
  for (const debug::Point& p : d.points) {
    if (p.kind == debug::PointKind::Watch && p.enabled && a >= p.first && a <= p.last) return true;
  }
  return false;
}

}  // namespace

MemoryView::MemoryView(Controller& controller, QWidget* parent)
    : QWidget(parent),
      controller_(controller),
      area_(new QComboBox(this)),
      address_(new QLineEdit(this)),
      table_(new QTableWidget(kRows, kPerRow + 2, this)) {
  setObjectName("memory");
  address_->setObjectName("memoryAddress");
  address_->setPlaceholderText("Address, symbol or expression");
  for (const Area& a : kAreas) area_->addItem(a.name, a.first);
  area_->setCurrentIndex(1);
  first_ = DATA_BASE;
  QStringList headers{"Address"};
  for (int i = 0; i < kPerRow; ++i) headers << QString("+%1").arg(i);
  headers << "Symbol";
  table_->setHorizontalHeaderLabels(headers);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(18);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setFont(QFont("Monospace", 9));
  for (int c = 0; c <= kPerRow; ++c) table_->setColumnWidth(c, c == 0 ? 56 : 44);
  auto* top = new QHBoxLayout;
  top->addWidget(area_);
  top->addWidget(address_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(top);
  layout->addWidget(table_);
  connect(area_, &QComboBox::activated, this, [this](int i) {
    first_ = static_cast<std::uint16_t>(area_->itemData(i).toUInt());
    address_->setText("0x" + Hex4(first_));
    Update();
  });
  connect(address_, &QLineEdit::returnPressed, this, [this] { Show(address_->text()); });
  connect(table_, &QTableWidget::itemChanged, this, &MemoryView::Edited);
  connect(&controller_, &Controller::refreshed, this, &MemoryView::Update);
}

bool MemoryView::Show(const QString& text) {
  const ViewData& d = controller_.Data();
  const dbg::DebugInfo* info = controller_.Info();
  try {
    const mon::Expr e = mon::Expr::Parse(text.toStdString(), [info](std::string_view name) {
      std::optional<std::int64_t> v;
      if (const dbg::Symbol* s = info ? info->Find(name) : nullptr) v = s->value;
      return v;
    });
    if (!d.m) return false;
    first_ = static_cast<std::uint16_t>(e.Evaluate(mon::Machine{*d.m, d.steps}));
  } catch (const std::exception& e) {
    address_->setToolTip(QString::fromLocal8Bit(e.what()));
    return false;
  }
  address_->setToolTip({});
  Update();
  return true;
}

QTableWidgetItem* MemoryView::Cell(int row, int column) {
  QTableWidgetItem* item = table_->item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    table_->setItem(row, column, item);
  }
  return item;
}

void MemoryView::Update() {
  const ViewData& d = controller_.Data();
  if (!d.m) return;
  updating_ = true;
  const bool same = lastFirst_ == first_ && !last_.empty();
  std::vector<std::uint16_t> now;
  for (int row = 0; row < kRows; ++row) {
    const auto rowFirst = static_cast<std::uint16_t>(first_ + row * kPerRow);
    QTableWidgetItem* address = Cell(row, 0);
    address->setFlags(Qt::ItemIsEnabled);
    address->setText(Hex4(rowFirst));
    for (int i = 0; i < kPerRow; ++i) {
      const auto a = static_cast<std::uint16_t>(rowFirst + i);
      const std::uint16_t v = mon::PeekWord(*d.m, a);
      const bool changed = same && last_[now.size()] != v;
      now.push_back(v);
      QTableWidgetItem* cell = Cell(row, i + 1);
      cell->setText(Hex4(v));
      cell->setData(Qt::UserRole, a);
      cell->setFlags(d.paused ? Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsSelectable
                              : Qt::ItemIsEnabled);
      const bool watched = Watched(d, a);
      cell->setBackground(!watched ? QBrush() : changed ? kWatchedChanged : kWatched);
      cell->setForeground(changed ? Qt::red : Qt::black);
    }
    QTableWidgetItem* symbol = Cell(row, kPerRow + 1);
    symbol->setFlags(Qt::ItemIsEnabled);
    symbol->setText(QString::fromStdString(debug::DescribeAddress(rowFirst, controller_.Info())));
  }
  last_ = std::move(now);
  lastFirst_ = first_;
  updating_ = false;
}

void MemoryView::Edited(QTableWidgetItem* item) {
  if (updating_ || item->column() == 0 || item->column() > kPerRow) return;
  const unsigned a = item->data(Qt::UserRole).toUInt();
  QString text = item->text().trimmed();
  bool hex = false;
  text.toUInt(&hex, 16);
  if (hex && !text.startsWith("0x", Qt::CaseInsensitive)) text = "0x" + text;
  const QString answer = controller_.ExecuteNow(QString("set [0x%1] = %2").arg(Hex4(a), text));
  updating_ = true;  // the tool tip is a change of the item too
  item->setToolTip(answer.startsWith("error:") ? answer.trimmed() : QString());
  updating_ = false;
}

}  // namespace kv74::shell::dbgwin
