#include "shell/debugger/disassembly_view.hpp"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
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

constexpr int kBackWords = 12;  // how far before the anchor the listing tries to start

const QString kBreakMark = QString(QChar(0x25CF));  // a filled circle
const QString kPcMark = QString(QChar(0x25B6));     // a right-pointing triangle

QString Hex4(unsigned v) { return QString("%1").arg(v & 0xFFFFu, 4, 16, QChar('0')).toUpper(); }

int Length(const MachineState& m, const dbg::DebugInfo* info, std::uint16_t a) {
  if (info && info->IsData(a)) return 1;
  return Disassemble(mon::PeekWord(m, a), mon::PeekWord(m, static_cast<std::uint16_t>(a + 1)), a)
      .length;
}

// The first address, a few instructions before `anchor`, whose instructions lead exactly to it.
std::uint16_t StartBefore(const MachineState& m, const dbg::DebugInfo* info, std::uint16_t anchor) {
  for (int back = kBackWords; back > 0; --back) {
    auto a = static_cast<std::uint16_t>(anchor - back);
    if (a > anchor) continue;
    while (a < anchor) a = static_cast<std::uint16_t>(a + Length(m, info, a));
    if (a == anchor) return static_cast<std::uint16_t>(anchor - back);
  }
  return anchor;
}

}  // namespace

std::optional<std::uint16_t> JumpTarget(const MachineState& m, std::uint16_t address) {
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

DisassemblyView::DisassemblyView(Controller& controller, QWidget* parent)
    : QWidget(parent),
      controller_(controller),
      goTo_(new QLineEdit(this)),
      goToError_(new QLabel(this)),
      table_(new QTableWidget(kRows, ColumnCount, this)) {
  setObjectName("disassembly");
  goTo_->setObjectName("disassemblyGoTo");
  goTo_->setPlaceholderText("Go to address or symbol (empty: PC)");
  table_->setHorizontalHeaderLabels({"", "Address", "Label", "Instruction", "Source"});
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(18);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setShowGrid(false);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setColumnWidth(Margin, 22);
  table_->setColumnWidth(Address, 60);
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
  connect(table_, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
    if (!updating_) selected_ = RowAddress(row);
  });
  connect(goTo_, &QLineEdit::returnPressed, this, [this] { GoTo(goTo_->text()); });
  connect(table_, &QTableWidget::cellClicked, this, &DisassemblyView::Clicked);
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { Followed(row); });
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
  Update();
  return true;
}

QString DisassemblyView::GoToError() const {
  return goToError_->isHidden() ? QString() : goToError_->text();
}

std::optional<std::uint16_t> DisassemblyView::RowAddress(int row) const {
  const QTableWidgetItem* item = table_->item(row, Address);
  if (!item) return std::nullopt;
  return static_cast<std::uint16_t>(item->data(Qt::UserRole).toUInt());
}

int DisassemblyView::RowOf(std::uint16_t address) const {
  for (int r = 0; r < table_->rowCount(); ++r) {
    if (RowAddress(r) == address) return r;
  }
  return -1;
}

QString DisassemblyView::SourceText(int source, int line) {
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

void DisassemblyView::Update() {
  updating_ = true;
  Fill();
  // The selection stays on the address the user chose, wherever its row now is.
  const int row = selected_ ? RowOf(*selected_) : -1;
  if (row >= 0) {
    table_->setCurrentCell(row, Address);
  } else {
    table_->clearSelection();
  }
  updating_ = false;
}

void DisassemblyView::Fill() {
  const ViewData& d = controller_.Data();
  if (!d.m) return;
  const MachineState& m = *d.m;
  const dbg::DebugInfo* info = controller_.Info();
  const std::uint16_t pc = m[reg::PC];
  if (d.paused && pc != lastPc_) anchor_.reset();  // a stop somewhere new shows PC again
  lastPc_ = pc;
  const std::uint16_t anchor = anchor_.value_or(pc);
  std::uint16_t a = StartBefore(m, info, anchor);
  for (int row = 0; row < kRows; ++row) {
    const bool data = info && info->IsData(a);
    const std::uint16_t w = mon::PeekWord(m, a);
    const Disassembly dis =
        data ? Disassembly{WordDirective(w), 1} : Disassemble(w, mon::PeekWord(m, a + 1u), a);
    const bool isBreak = std::any_of(d.points.begin(), d.points.end(), [a](const auto& p) {
      return p.kind == debug::PointKind::Break && p.first == a && p.enabled;
    });
    QString label, source;
    if (info) {
      if (const dbg::Symbol* s = info->LabelAt(a)) label = QString::fromStdString(s->name);
      if (const dbg::LineEntry* l = info->LineAt(a); l && l->address == a && l->source >= 0) {
        source = QString("%1:%2  %3")
                     .arg(QString::fromStdString(
                         std::filesystem::path(info->sources[l->source]).filename().string()))
                     .arg(l->line)
                     .arg(SourceText(l->source, l->line));
      }
    }
    QString code = QString::fromStdString(dis.text);
    if (const auto target = data ? std::nullopt : JumpTarget(m, a); target && info) {
      if (const dbg::Symbol* s = info->LabelAt(*target))
        code += "  ; " + QString::fromStdString(s->name);
    }
    const QString cells[ColumnCount] = {
        (isBreak ? kBreakMark : QString()) + (a == pc ? kPcMark : QString()), Hex4(a), label, code,
        source};
    for (int c = 0; c < ColumnCount; ++c) {
      QTableWidgetItem* item = table_->item(row, c);
      if (!item) {
        item = new QTableWidgetItem;
        table_->setItem(row, c, item);
      }
      item->setText(cells[c]);
      if (c == Address) item->setData(Qt::UserRole, a);
      item->setForeground(c == Margin && isBreak ? Qt::white : Qt::black);
      QBrush back;
      if (a == anchor_) back = QColor(200, 225, 255);  // the go-to target
      if (a == pc) back = QColor(255, 255, 160);
      if (c == Margin && isBreak) back = QColor(200, 0, 0);  // a breakpoint: a red margin cell
      item->setBackground(back);
    }
    a = static_cast<std::uint16_t>(a + dis.length);
  }
}

void DisassemblyView::Clicked(int row, int column) {
  if (column != Margin) return;
  if (const auto a = RowAddress(row)) controller_.ToggleBreak(*a);
}

void DisassemblyView::Followed(int row) {
  const ViewData& d = controller_.Data();
  const auto a = RowAddress(row);
  if (!a || !d.m) return;
  if (const auto target = JumpTarget(*d.m, *a)) {
    anchor_ = *target;
    goTo_->setText("0x" + Hex4(*target));
    Update();
  }
}

}  // namespace kv74::shell::dbgwin
