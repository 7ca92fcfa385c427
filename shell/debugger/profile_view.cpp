#include "shell/debugger/profile_view.hpp"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/debugger/controller.hpp"

namespace kv74::shell::dbgwin {
namespace {

QString Number(std::uint64_t n) {
  return QLocale(QLocale::English).toString(static_cast<qulonglong>(n));
}

}  // namespace

// The same routines keep their rows (and the selection); others reset the model.
void ProfileModel::Set(std::vector<debug::RoutineCost> rows, bool inclusive) {
  const bool same = rows.size() == rows_.size() &&
                    std::equal(rows.begin(), rows.end(), rows_.begin(),
                               [](const auto& a, const auto& b) { return a.start == b.start; });
  if (!same) beginResetModel();
  rows_ = std::move(rows);
  inclusive_ = inclusive;
  total_ = 0;
  for (const debug::RoutineCost& r : rows_) total_ += r.self;
  if (!same) {
    endResetModel();
  } else if (!rows_.empty()) {
    emit dataChanged(index(0, 0), index(rowCount() - 1, ProfileColumnCount - 1));
  }
}

int ProfileModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ProfileModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ProfileColumnCount;
}

QVariant ProfileModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const char* const kNames[ProfileColumnCount] = {"Routine", "Self steps", "Inclusive steps",
                                                         "Calls"};
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= ProfileColumnCount)
    return {};
  return QString(kNames[section]);
}

QVariant ProfileModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const debug::RoutineCost& r = rows_[static_cast<std::size_t>(index.row())];
  const int c = index.column();
  const std::uint64_t n = c == Self ? r.self : c == Inclusive ? r.inclusive : r.calls;
  switch (role) {
    case Qt::UserRole:
      return c == Routine ? QVariant(QString::fromStdString(r.name))
                          : QVariant(static_cast<qulonglong>(n));
    case Qt::UserRole + 1: return r.start;
    case Qt::TextAlignmentRole:
      return c == Routine ? QVariant() : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::DisplayRole: break;
    default: return {};
  }
  if (c == Routine) return QString::fromStdString(r.name);
  if (c == Calls) return Number(n);
  if (c == Inclusive && !inclusive_) return QString("-");
  const double share = total_ == 0 ? 0.0 : 100.0 * static_cast<double>(n) / total_;
  return QString("%1  %2%").arg(Number(n)).arg(share, 5, 'f', 1);
}

ProfileView::ProfileView(Controller& controller, std::function<void(std::uint16_t)> show,
                         QWidget* parent)
    : QWidget(parent),
      controller_(controller),
      status_(new QLabel(this)),
      reset_(new QPushButton("Reset", this)),
      model_(new ProfileModel(this)),
      sorted_(new QSortFilterProxyModel(this)),
      table_(new QTableView(this)) {
  setObjectName("profile");
  status_->setObjectName("profileStatus");
  reset_->setObjectName("profileReset");
  reset_->setToolTip("Count afresh from this step (the monitor's coverage command)");
  sorted_->setSourceModel(model_);
  sorted_->setSortRole(Qt::UserRole);
  table_->setModel(sorted_);
  table_->setSortingEnabled(true);
  table_->sortByColumn(Self, Qt::DescendingOrder);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(18);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setShowGrid(false);
  table_->setFont(QFont("Monospace", 9));
  table_->setColumnWidth(Routine, 170);
  table_->setColumnWidth(Self, 150);
  table_->setColumnWidth(Inclusive, 150);
  table_->horizontalHeader()->setStretchLastSection(true);
  auto* top = new QHBoxLayout;
  top->addWidget(status_, 1);
  top->addWidget(reset_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(top);
  layout->addWidget(table_);
  connect(reset_, &QPushButton::clicked, &controller_, &Controller::ResetCoverage);
  connect(table_, &QTableView::doubleClicked, this, [show](const QModelIndex& index) {
    show(static_cast<std::uint16_t>(index.data(Qt::UserRole + 1).toUInt()));
  });
  connect(&controller_, &Controller::refreshed, this, &ProfileView::Update);
}

QString ProfileView::StatusText() const { return status_->text(); }

void ProfileView::Update() {
  if (!controller_.CoverageShown()) return;
  const CoverageData& c = controller_.Data().coverage;
  std::uint64_t steps = 0;
  for (const debug::RoutineCost& r : c.routines) steps += r.self;
  QString text = c.marks == nullptr ? QString("nothing counted")
                                    : QString("%1 steps counted").arg(Number(steps));
  text += c.counting ? ", counting" : ", stopped";
  if (c.marks != nullptr && !c.profiling) text += " (no call tree: coverage profile for it)";
  status_->setText(text);
  model_->Set(c.routines, c.profiling);
}

}  // namespace kv74::shell::dbgwin
