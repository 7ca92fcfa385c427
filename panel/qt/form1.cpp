#include "panel/qt/form1.hpp"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <stdexcept>

#include "panel/click.hpp"
#include "panel/controls.hpp"
#include "panel/qt/lamp.hpp"
#include "panel/qt/look.hpp"
#include "panel/qt/panel_key.hpp"
#include "panel/qt/tooltips.hpp"

namespace kv74::qt {

TForm1::TForm1(QWidget* parent)
    : QWidget(parent),
      menuBar_(new QMenuBar(this)),
      panelArea_(new QWidget(this)),
      statusBar_(new QStatusBar(this)) {
  setObjectName("Form1");
  setWindowTitle("KV-74 V4");
  setFont(PanelFont(11));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, FromBgr(appearance::WINDOW));
  setPalette(pal);
  panelArea_->setObjectName("panelArea");
  built_ = BuildPanel(panelArea_);
  IndexControls();
  WireClicks();
  ApplyTooltips(*this);
  // The panel's controls stand where the layout puts them: the window can grow a little, as the
  // board's window could, but never shrink so far that a control is clipped.
  panelArea_->setMinimumSize(PANEL_WIDTH, PANEL_HEIGHT);
  panelArea_->setMaximumSize(PANEL_MAX_WIDTH, PANEL_MAX_HEIGHT);
  statusBar_->setSizeGripEnabled(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(menuBar_);
  layout->addWidget(panelArea_, 1);
  layout->addWidget(statusBar_);
  layout->setSizeConstraint(QLayout::SetMinAndMaxSize);
  setFocusPolicy(Qt::StrongFocus);
  move(3, 364);
  resize(minimumSizeHint());
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
  for (const ControlInfo& info : PanelControls()) {
    if (!IsClickable(info.name)) continue;
    QWidget* w = Widget(info.name);
    QString name = QString::fromUtf8(info.name.data(), static_cast<qsizetype>(info.name.size()));
    if (auto* lamp = qobject_cast<Lamp*>(w)) {
      connect(lamp, &Lamp::clicked, this, [this, name] { emit controlClicked(name); });
      continue;
    }
    auto* button = qobject_cast<QAbstractButton*>(w);
    connect(button, &QAbstractButton::clicked, this, [this, button, name] {
      // The toggle takes its new state when the click is made, not when the mouse lets go.
      if (button->isCheckable()) button->setChecked(!button->isChecked());
      emit controlClicked(name);
    });
  }
  auto button = [this](std::string_view n) { return qobject_cast<QAbstractButton*>(Widget(n)); };
  connect(button("Kabout"), &QAbstractButton::clicked, this, &TForm1::aboutClicked);
  connect(button("Button1"), &QAbstractButton::clicked, this, &TForm1::saveClicked);
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  const std::string_view key = shortcuts_ ? ShortcutKey(event->key()) : std::string_view();
  if (key.empty() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0) {
    QWidget::keyPressEvent(event);
    return;
  }
  emit controlClicked(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())));
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
