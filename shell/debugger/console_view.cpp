#include "shell/debugger/console_view.hpp"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/debugger/controller.hpp"

namespace kv74::shell::dbgwin {

ConsoleView::ConsoleView(Controller& controller, QWidget* parent)
    : QWidget(parent),
      controller_(controller),
      log_(new QPlainTextEdit(this)),
      line_(new QLineEdit(this)) {
  setObjectName("console");
  line_->setObjectName("consoleLine");
  log_->setReadOnly(true);
  log_->setFont(QFont("Monospace", 9));
  log_->setMaximumBlockCount(5000);
  line_->setFont(QFont("Monospace", 9));
  line_->setPlaceholderText("monitor command (help)");
  line_->installEventFilter(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(log_);
  layout->addWidget(line_);
  connect(line_, &QLineEdit::returnPressed, this, [this] {
    Enter(line_->text());
    line_->clear();
  });
  connect(&controller_, &Controller::output, this, [this](const QString& text) {
    log_->appendPlainText(text.endsWith('\n') ? text.chopped(1) : text);
  });
}

void ConsoleView::Enter(const QString& line) {
  log_->appendPlainText("(kv74) " + line);
  if (!line.trimmed().isEmpty()) entered_ << line;
  recalled_ = static_cast<int>(entered_.size());
  controller_.Execute(line);
}

QString ConsoleView::Text() const { return log_->toPlainText(); }

bool ConsoleView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == line_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && !entered_.isEmpty()) {
      recalled_ = std::clamp(recalled_ + (key == Qt::Key_Up ? -1 : 1), 0,
                             static_cast<int>(entered_.size()));
      line_->setText(recalled_ < entered_.size() ? entered_[recalled_] : QString());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kv74::shell::dbgwin
