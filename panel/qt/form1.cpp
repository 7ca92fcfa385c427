#include "panel/qt/form1.hpp"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <stdexcept>

#include "panel/controls.hpp"
#include "panel/qt/lamp.hpp"
#include "panel/qt/layout.hpp"
#include "panel/qt/look.hpp"
#include "panel/qt/panel_key.hpp"

namespace kv74::qt {

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
  setObjectName("Form1");
  setWindowTitle("KV-74 V4");
  setFont(PanelFont(11));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, FromBgr(colour::BUTTON_FACE));
  setPalette(pal);
  built_ = BuildPanel(this);
  IndexControls();
  WireClicks();
  move(3, 364);
  resize(kFormWidth, kFormHeight);
  setMaximumSize(kFormMaxWidth, kFormMaxHeight);
}

void TForm1::IndexControls() {
  // Every control is looked up once by its object name, as the panel logic names it.
  for (const ControlInfo& info : PanelControls()) {
    QString name = QString::fromUtf8(info.name.data(), static_cast<qsizetype>(info.name.size()));
    QList<QWidget*> found = findChildren<QWidget*>(name);
    auto* control = found.size() == 1 ? dynamic_cast<Control*>(found.front()) : nullptr;
    if (control == nullptr)
      throw std::logic_error("the panel has no single control named " + std::string(info.name));
    controls_.emplace(std::string(info.name), control);
  }
}

Control* TForm1::Find(std::string_view name) {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second;
}

QWidget* TForm1::Widget(std::string_view name) const {
  auto it = built_.widgets.find(name);
  return it == built_.widgets.end() ? nullptr : it->second;
}

void TForm1::WireClicks() {
  jogGroup_ = new QButtonGroup(this);
  // Not exclusive: an exclusive group cannot release its checked button, and the jog toggles
  // may all be up. JogClicked keeps at most one down.
  jogGroup_->setExclusive(false);
  for (const ControlInfo& info : PanelControls()) {
    QWidget* w = Widget(info.name);
    QString name = QString::fromUtf8(info.name.data(), static_cast<qsizetype>(info.name.size()));
    auto* button = qobject_cast<QAbstractButton*>(w);
    switch (info.kind) {
      case ControlKind::Key:
        connect(button, &QAbstractButton::clicked, this, [this, name] { emit keyClicked(name); });
        break;
      case ControlKind::JogToggle: jogGroup_->addButton(button); break;
      case ControlKind::InputLamp:
        connect(static_cast<Lamp*>(w), &Lamp::clicked, this,
                [this, name] { emit inputLampClicked(name); });
        break;
      default: break;
    }
  }
  connect(jogGroup_, &QButtonGroup::buttonClicked, this, &TForm1::JogClicked);
  auto button = [this](std::string_view n) { return qobject_cast<QAbstractButton*>(Widget(n)); };
  connect(button("clea"), &QAbstractButton::clicked, this, &TForm1::cleaClicked);
  connect(button("mash"), &QAbstractButton::clicked, this, &TForm1::mashClicked);
  connect(button("Kabout"), &QAbstractButton::clicked, this, &TForm1::aboutClicked);
  connect(button("Button1"), &QAbstractButton::clicked, this, &TForm1::saveClicked);
}

void TForm1::JogClicked(QAbstractButton* button) {
  if (button->isChecked()) {
    for (QAbstractButton* other : jogGroup_->buttons()) {
      if (other != button) other->setChecked(false);
    }
  }
  emit keyClicked(button->objectName());
}

void TForm1::SetStopHandshake(std::function<void()> requestStop, std::function<bool()> finished) {
  requestStop_ = std::move(requestStop);
  finished_ = std::move(finished);
}

void TForm1::Refresh() {
  if (refresh_) refresh_();
}

void TForm1::ShowWarning(const QString& message) {
  if (warned_.contains(message)) return;
  warned_.append(message);
  std::fprintf(stderr, "kv74: %s\n", message.toLocal8Bit().constData());
  // Shown from the event loop, never from inside a hand-over, and without a modal loop.
  QTimer::singleShot(0, this, [this, message] {
    auto* box = new QMessageBox(QMessageBox::Warning, "KV7402", message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
  });
}

void TForm1::FormCloseQuery() {
  if (!requestStop_ || !finished_) return;
  QThread::msleep(100);
  requestStop_();
  // The thread may be waiting in a hand-over addressed to this window: keep serving it.
  while (!finished_()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!finished_()) QThread::usleep(500);
  }
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    closing_ = true;
    FormCloseQuery();
    emit closed();
  }
  event->accept();
}

}  // namespace kv74::qt
