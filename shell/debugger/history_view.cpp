#include "shell/debugger/history_view.hpp"

#include <QListWidget>
#include <QVBoxLayout>

#include "shell/debugger/controller.hpp"

namespace kv74::shell::dbgwin {

HistoryView::HistoryView(Controller& controller, QWidget* parent)
    : QWidget(parent), controller_(controller), list_(new QListWidget(this)) {
  setObjectName("history");
  list_->setFont(QFont("Monospace", 9));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(list_);
  connect(&controller_, &Controller::refreshed, this, &HistoryView::Update);
}

void HistoryView::Update() {
  const ViewData& d = controller_.Data();
  if (!d.paused) return;  // a running machine's history goes by too fast to read
  list_->clear();
  for (const std::string& line : d.history) list_->addItem(QString::fromStdString(line));
  list_->scrollToBottom();
}

}  // namespace kv74::shell::dbgwin
