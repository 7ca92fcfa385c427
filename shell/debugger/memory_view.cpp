#include "shell/debugger/memory_view.hpp"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
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
const QColor kTarget(200, 225, 255);  // the word gone to

QString Hex4(unsigned v) { return QString("%1").arg(v & 0xFFFFu, 4, 16, QChar('0')).toUpper(); }

bool Watched(const ViewData& d, std::uint16_t a) {
  for (const debug::Point& p : d.points) {
    if (p.kind == debug::PointKind::Watch && p.enabled && a >= p.first && a <= p.last) return true;
  }
  return false;
}

}  // namespace

MemoryModel::MemoryModel(Controller& controller, QObject* parent)
    : QAbstractTableModel(parent), controller_(controller) {}

void MemoryModel::Refresh(std::uint16_t target) {
  if (controller_.Data().m != now_) {
    before_ = now_;
    now_ = controller_.Data().m;
  }
  target_ = target;
  emit dataChanged(index(0, 0), index(kRows - 1, kPerRow + 1));
}

int MemoryModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kRows; }

int MemoryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kPerRow + 2;
}

QVariant MemoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section == 0) return QString("Address");
  if (section == kPerRow + 1) return QString("Symbol");
  return QString("+%1").arg(section - 1);
}

Qt::ItemFlags MemoryModel::flags(const QModelIndex& index) const {
  const int c = index.column();
  if (c < 1 || c > kPerRow || !controller_.Data().paused) return Qt::ItemIsEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsSelectable;
}

QVariant MemoryModel::data(const QModelIndex& index, int role) const {
  const ViewData& d = controller_.Data();
  if (!index.isValid() || !d.m) return {};
  const int c = index.column();
  const auto rowFirst = static_cast<std::uint16_t>(index.row() * kPerRow);
  if (c == 0) return role == Qt::DisplayRole ? QVariant(Hex4(rowFirst)) : QVariant();
  if (c == kPerRow + 1) {
    if (role != Qt::DisplayRole) return {};
    return QString::fromStdString(debug::DescribeAddress(rowFirst, controller_.Info()));
  }
  const auto a = static_cast<std::uint16_t>(rowFirst + c - 1);
  const std::uint16_t v = mon::PeekWord(*d.m, a);
  const bool changed = before_ && mon::PeekWord(*before_, a) != v;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return Hex4(v);
    case Qt::UserRole: return a;
    case Qt::ToolTipRole: return a == errorAt_ ? error_ : QString();
    case Qt::ForegroundRole: return QBrush(changed ? Qt::red : Qt::black);
    case Qt::BackgroundRole:
      if (Watched(d, a)) return QBrush(changed ? kWatchedChanged : kWatched);
      if (a == target_) return QBrush(kTarget);
      return {};
    default: return {};
  }
}

bool MemoryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || index.column() < 1 || index.column() > kPerRow) return false;
  const unsigned a = static_cast<unsigned>(index.row() * kPerRow + index.column() - 1);
  QString text = value.toString().trimmed();
  bool hex = false;
  text.toUInt(&hex, 16);
  if (hex && !text.startsWith("0x", Qt::CaseInsensitive)) text = "0x" + text;
  const QString answer = controller_.ExecuteNow(QString("set [0x%1] = %2").arg(Hex4(a), text));
  const bool failed = answer.startsWith("error:");
  errorAt_ = failed ? static_cast<int>(a) : -1;
  error_ = failed ? answer.trimmed() : QString();
  emit dataChanged(index, index);
  return !failed;
}

MemoryView::MemoryView(Controller& controller, QWidget* parent)
    : QWidget(parent),
      controller_(controller),
      area_(new QComboBox(this)),
      address_(new QLineEdit(this)),
      model_(new MemoryModel(controller, this)),
      table_(new QTableView(this)) {
  setObjectName("memory");
  address_->setObjectName("memoryAddress");
  address_->setPlaceholderText("Address, symbol or expression");
  for (const Area& a : kAreas) area_->addItem(a.name, a.first);
  area_->setCurrentIndex(1);
  first_ = DATA_BASE;
  table_->setModel(model_);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
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
    ScrollTo(first_);
  });
  connect(address_, &QLineEdit::returnPressed, this, [this] { Show(address_->text()); });
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
  ScrollTo(first_);
  return true;
}

void MemoryView::ScrollTo(std::uint16_t address) {
  Update();
  table_->scrollTo(model_->index(address / kPerRow, 0), QAbstractItemView::PositionAtTop);
}

void MemoryView::Update() {
  if (!controller_.Data().m) return;
  model_->Refresh(first_);
  if (!placed_) {
    placed_ = true;
    table_->scrollTo(model_->index(first_ / kPerRow, 0), QAbstractItemView::PositionAtTop);
  }
}

}  // namespace kv74::shell::dbgwin
