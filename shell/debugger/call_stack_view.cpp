#include "shell/debugger/call_stack_view.hpp"

#include <QListWidget>
#include <QVBoxLayout>

#include "debug/location.hpp"
#include "shell/debugger/controller.hpp"

namespace kv74::shell::dbgwin {
namespace {

QString Where(std::uint16_t a, const dbg::DebugInfo* info) {
  const QString hex = QString("%1").arg(a, 4, 16, QChar('0')).toUpper();
  const std::string where = debug::DescribeAddress(a, info);
  return where.empty() ? hex : hex + " " + QString::fromStdString(where);
}

}  // namespace

CallStackView::CallStackView(Controller& controller, std::function<void(std::uint16_t)> show,
                             QWidget* parent)
    : QWidget(parent), controller_(controller), list_(new QListWidget(this)) {
  setObjectName("callStack");
  list_->setFont(QFont("Monospace", 9));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(list_);
  connect(list_, &QListWidget::itemDoubleClicked, this, [show](QListWidgetItem* item) {
    show(static_cast<std::uint16_t>(item->data(Qt::UserRole).toUInt()));
  });
  connect(&controller_, &Controller::refreshed, this, &CallStackView::Update);
}

void CallStackView::Update() {
  const ViewData& d = controller_.Data();
  if (!d.m) return;
  const dbg::DebugInfo* info = controller_.Info();
  list_->clear();
  auto* now = new QListWidgetItem("at " + Where((*d.m)[reg::PC], info), list_);
  now->setData(Qt::UserRole, (*d.m)[reg::PC]);
  for (auto f = d.frames.rbegin(); f != d.frames.rend(); ++f) {
    const QString how =
        f->request >= 0 ? QString("request %1 entry").arg(f->request) : QString("called");
    auto* item = new QListWidgetItem(
        QString("%1 %2 from %3").arg(Where(f->entry, info), how, Where(f->callPc, info)), list_);
    item->setData(Qt::UserRole, f->callPc);
  }
}

}  // namespace kv74::shell::dbgwin
