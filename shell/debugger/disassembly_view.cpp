#include "shell/debugger/disassembly_view.hpp"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "board/read_file.hpp"
#include "cpu/decode.hpp"
#include "cpu/disasm.hpp"
#include "debug/location.hpp"
#include "monitor/expr.hpp"
#include "shell/debugger/controller.hpp"

namespace kv74::shell::dbgwin {
namespace {

const QString kBreakMark = QString(QChar(0x25CF));  // a filled circle
const QString kPcMark = QString(QChar(0x25B6));     // a right-pointing triangle

QString Hex4(unsigned v) { return QString("%1").arg(v & 0xFFFFu, 4, 16, QChar('0')).toUpper(); }

}  // namespace

std::optional<std::uint16_t> JumpTarget(const BoardState& m, std::uint16_t address) {
  const std::uint16_t w = mon::PeekWord(m, address);
  const std::uint16_t ext = mon::PeekWord(m, static_cast<std::uint16_t>(address + 1));
  switch (Decode(w)) {
    case Op::JumpRel:
      return static_cast<std::uint16_t>(address + static_cast<std::int8_t>(FieldDD(w)));
    case Op::JumpAbs: return ext;
    case Op::JumpReg: return m[static_cast<int>(FieldN(w))];
    case Op::CallTable: return mon::PeekWord(m, static_cast<std::uint16_t>(FieldDD(w)));
    default: return std::nullopt;
  }
}

DisassemblyModel::DisassemblyModel(Controller& controller, QObject* parent)
    : QAbstractTableModel(parent),
      controller_(controller),
      mapped_(controller.Info()),
      map_(controller.Info()) {}

void DisassemblyModel::Refresh(std::optional<std::uint16_t> target) {
  target_ = target;
  if (controller_.Info() != mapped_) {
    beginResetModel();
    mapped_ = controller_.Info();
    map_ = RowMap(mapped_);
    sources_.clear();
    endResetModel();
    return;
  }
  emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

int DisassemblyModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : map_.Rows();
}

int DisassemblyModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant DisassemblyModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const char* const kNames[ColumnCount] = {"",      "Address",     "Runs",
                                                  "Label", "Instruction", "Source"};
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= ColumnCount)
    return {};
  return QString(kNames[section]);
}

QString DisassemblyModel::SourceText(int source, int line) const {
  const dbg::DebugInfo* info = controller_.Info();
  if (!sources_.contains(source)) {
    QStringList lines;
    const FileBytes file = ReadRegularFile(info->SourcePath(source), input_limit::kSource);
    if (file.ok())
      lines = QString::fromUtf8(file.bytes.data(), static_cast<qsizetype>(file.bytes.size()))
                  .split('\n');
    sources_.insert(source, lines);
  }
  const QStringList& lines = sources_[source];
  return line >= 1 && line <= lines.size() ? lines[line - 1].simplified() : QString();
}

QVariant DisassemblyModel::data(const QModelIndex& index, int role) const {
  const ViewData& d = controller_.Data();
  if (!index.isValid() || !d.m || index.row() >= map_.Rows()) return {};
  const int c = index.column();
  const std::uint16_t a = map_.Address(index.row());
  const BoardState& m = *d.m;
  const std::uint16_t pc = m[reg::PC];
  const bool isBreak = std::any_of(d.points.begin(), d.points.end(), [a](const auto& p) {
    return p.kind == debug::PointKind::Break && p.first == a && p.enabled;
  });
  const debug::CoverageMarks* marks = d.coverage.marks.get();
  switch (role) {
    case Qt::UserRole: return a;
    case Qt::ForegroundRole: return QBrush(c == Margin && isBreak ? Qt::white : Qt::black);
    case Qt::BackgroundRole: {
      if (c == Margin && isBreak) return QBrush(QColor(200, 0, 0));  // a red margin cell
      if (a == pc) return QBrush(QColor(255, 255, 160));
      if (target_ && map_.RowOf(*target_) == index.row())  // the go-to target's instruction
        return QBrush(QColor(200, 225, 255));
      if (!marks || (c != Runs && c != Code && c != Source)) return {};
      const QColor tint =
          DisassemblyView::MarkColor(c == Source ? marks->Line(a) : marks->Instruction(a));
      return tint.isValid() ? QVariant(QBrush(tint)) : QVariant();
    }
    case Qt::ToolTipRole:
      if (!marks || (c != Runs && c != Code && c != Source)) return {};
      return QString::fromStdString(marks->Describe(a));
    case Qt::TextAlignmentRole:
      return c == Runs ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::DisplayRole: break;
    default: return {};
  }
  const dbg::DebugInfo* info = controller_.Info();
  switch (c) {
    case Margin: return (isBreak ? kBreakMark : QString()) + (a == pc ? kPcMark : QString());
    case Address: return Hex4(a);
    case Runs:
      if (!marks || marks->Instruction(a) == debug::Mark::None) return QString();
      return QString::number(static_cast<qulonglong>(marks->Executed(a)));
    case Label: {
      const dbg::Symbol* s = info ? info->LabelAt(a) : nullptr;
      return s ? QString::fromStdString(s->name) : QString();
    }
    case Code: {
      const std::uint16_t w = mon::PeekWord(m, a);
      // Data and words no instruction covers are never decoded.
      if (!map_.IsCode(index.row())) return QString::fromStdString(WordDirective(w));
      QString code = QString::fromStdString(
          Disassemble(w, mon::PeekWord(m, static_cast<std::uint16_t>(a + 1)), a).text);
      if (const auto target = JumpTarget(m, a); target && info) {
        if (const dbg::Symbol* s = info->LabelAt(*target))
          code += "  ; " + QString::fromStdString(s->name);
      }
      return code;
    }
    case Source: {
      const dbg::LineEntry* l = info ? info->LineAt(a) : nullptr;
      if (!l || l->address != a || l->source < 0) return QString();
      return QString("%1:%2  %3")
          .arg(QString::fromStdString(
              std::filesystem::path(info->sources[static_cast<std::size_t>(l->source)])
                  .filename()
                  .string()))
          .arg(l->line)
          .arg(SourceText(l->source, l->line));
    }
    default: return {};
  }
}

DisassemblyView::DisassemblyView(Controller& controller, QWidget* parent)
    : QWidget(parent),
      controller_(controller),
      goTo_(new QLineEdit(this)),
      goToError_(new QLabel(this)),
      model_(new DisassemblyModel(controller, this)),
      table_(new QTableView(this)) {
  setObjectName("disassembly");
  goTo_->setObjectName("disassemblyGoTo");
  goTo_->setPlaceholderText("Go to address or symbol (empty: PC)");
  table_->setModel(model_);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(18);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setShowGrid(false);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setColumnWidth(Margin, 22);
  table_->setColumnWidth(Address, 60);
  table_->setColumnWidth(Runs, 80);
  table_->setColumnHidden(Runs, true);
  table_->setColumnWidth(Label, 140);
  table_->setColumnWidth(Code, 300);
  table_->setFont(QFont("Monospace", 9));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(goTo_);
  layout->addWidget(goToError_);
  layout->addWidget(table_);
  goToError_->setObjectName("disassemblyGoToError");
  goToError_->setStyleSheet("color: #B00000");
  goToError_->hide();
  connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& now, const QModelIndex&) {
            if (!updating_) selected_ = RowAddress(now.row());
          });
  connect(goTo_, &QLineEdit::returnPressed, this, [this] { GoTo(goTo_->text()); });
  connect(table_, &QTableView::clicked, this, &DisassemblyView::Clicked);
  connect(table_, &QTableView::doubleClicked, this, &DisassemblyView::Followed);
  connect(&controller_, &Controller::refreshed, this, &DisassemblyView::Update);
}

bool DisassemblyView::GoTo(const QString& text) {
  if (text.trimmed().isEmpty()) {
    anchor_.reset();
  } else {
    try {
      const std::vector<std::uint16_t> a =
          debug::ResolveLocation(text.trimmed().toStdString(), controller_.Info());
      anchor_ = a.front();
      selected_ = anchor_;
    } catch (const std::exception& e) {
      goToError_->setText(QString("%1: %2").arg(text.trimmed(), QString::fromLocal8Bit(e.what())));
      goToError_->show();
      goTo_->setText(goneTo_);
      return false;
    }
  }
  goneTo_ = text.trimmed();
  goTo_->setText(goneTo_);
  goToError_->hide();
  shown_.reset();  // scroll to the target even when it is the one shown
  Update();
  return true;
}

QString DisassemblyView::GoToError() const {
  return goToError_->isHidden() ? QString() : goToError_->text();
}

QColor DisassemblyView::MarkColor(debug::Mark mark) {
  switch (mark) {
    case debug::Mark::Run: return {215, 240, 215};     // green
    case debug::Mark::OneWay: return {255, 222, 150};  // amber
    case debug::Mark::Never: return {255, 205, 205};   // red
    default: return {};
  }
}

std::optional<std::uint16_t> DisassemblyView::RowAddress(int row) const {
  if (row < 0 || row >= model_->Map().Rows()) return std::nullopt;
  return model_->Map().Address(row);
}

int DisassemblyView::RowOf(std::uint16_t address) const { return model_->Map().RowOf(address); }

void DisassemblyView::Update() {
  const ViewData& d = controller_.Data();
  if (!d.m) return;
  const std::uint16_t pc = (*d.m)[reg::PC];
  if (d.paused && pc != lastPc_) anchor_.reset();  // a stop somewhere new shows PC again
  lastPc_ = pc;
  updating_ = true;
  table_->setColumnHidden(Runs, d.coverage.marks == nullptr);
  model_->Refresh(anchor_);
  // The row gone to (or PC's) comes into view when it changes; otherwise the user's scrolling
  // stays. The selection stays on the address the user chose.
  const std::uint16_t anchor = anchor_.value_or(pc);
  if (shown_ != anchor) {
    shown_ = anchor;
    table_->scrollTo(
        model_->index(RowOf(anchor), Address),
        anchor_ ? QAbstractItemView::PositionAtCenter : QAbstractItemView::EnsureVisible);
  }
  if (selected_) {
    table_->selectionModel()->setCurrentIndex(
        model_->index(RowOf(*selected_), Address),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  } else {
    table_->clearSelection();
  }
  updating_ = false;
}

void DisassemblyView::Clicked(const QModelIndex& index) {
  if (index.column() != Margin) return;
  if (const auto a = RowAddress(index.row())) controller_.ToggleBreak(*a);
}

void DisassemblyView::Followed(const QModelIndex& index) {
  const ViewData& d = controller_.Data();
  const auto a = RowAddress(index.row());
  if (!a || !d.m || !model_->Map().IsCode(index.row())) return;
  if (const auto target = JumpTarget(*d.m, *a)) {
    anchor_ = *target;
    goTo_->setText("0x" + Hex4(*target));
    shown_.reset();
    Update();
  }
}

}  // namespace kv74::shell::dbgwin
