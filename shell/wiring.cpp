#include "shell/wiring.hpp"

namespace kv74::shell {

void WirePanel(qt::TForm1& form, PanelLogic& panel) {
  PanelLogic* p = &panel;
  form.SetRefreshHandler([p] { p->RefreshPanel(); });
  QObject::connect(&form, &qt::TForm1::keyClicked, &form,
                   [p](const QString& name) { p->PultKeyClik(name.toStdString()); });
  QObject::connect(&form, &qt::TForm1::inputLampClicked, &form,
                   [p](const QString& name) { p->KEoutClick(name.toStdString()); });
  QObject::connect(&form, &qt::TForm1::cleaClicked, &form, [p] { p->cleaClick(); });
  QObject::connect(&form, &qt::TForm1::mashClicked, &form, [p] { p->mashClick(); });
}

}  // namespace kv74::shell
