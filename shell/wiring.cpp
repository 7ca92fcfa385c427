#include "shell/wiring.hpp"

#include "panel/click.hpp"

namespace kv74::shell {

void WirePanel(qt::TForm1& form, PanelLogic& panel, bool directClicks) {
  PanelLogic* p = &panel;
  qt::TForm1* f = &form;
  form.SetRefreshHandler([p] { p->RefreshPanel(); });
  if (!directClicks) return;
  QObject::connect(&form, &qt::TForm1::controlClicked, &form,
                   [p, f](const QString& name) { ClickControl(*p, *f, name.toStdString()); });
}

}  // namespace kv74::shell
