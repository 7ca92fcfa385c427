#include "panel/qt/panel_key.hpp"

namespace kv74::qt {

PanelKey::PanelKey(const QString& name, QWidget* parent) : QPushButton(parent) {
  setObjectName(name);
  setFocusPolicy(Qt::NoFocus);
  setAutoDefault(false);
}

void PanelKey::SetCaption(const std::string& text) {
  QString t = QString::fromStdString(text);
  if (t != this->text()) setText(t);
}

std::string PanelKey::Caption() const { return text().toStdString(); }

void PanelKey::SetDown(bool down) {
  if (isCheckable() && isChecked() != down) setChecked(down);
}

}  // namespace kv74::qt
