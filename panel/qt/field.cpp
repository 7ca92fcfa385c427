#include "panel/qt/field.hpp"

#include "panel/qt/look.hpp"

namespace kv74::qt {

TextControl::TextControl(const QString& name, QWidget* parent) : QLabel(parent) {
  setObjectName(name);
  setTextFormat(Qt::PlainText);
}

void TextControl::SetCaption(const std::string& text) {
  QString t = QString::fromStdString(text);
  if (t != this->text()) setText(t);
}

ValueField::ValueField(const QString& name, QWidget* parent) : TextControl(name, parent) {
  colour_ = ToBgr(look::kTooltipBackground);
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, look::kTooltipBackground);
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);
  setFont(PanelFont(16, true));
  setAlignment(Qt::AlignCenter);
}

}  // namespace kv74::qt
