#include "shell/screenshot.hpp"

#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace kv74::shell {
namespace {

bool Save(QWidget* w, const QString& path) {
  bool ok = w->grab().save(path, "PNG");
  std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "cannot write",
               path.toLocal8Bit().constData());
  return ok;
}

}  // namespace

void ScheduleScreenshot(QWidget* panel, QWidget* plot, const QString& prefix, int afterMs,
                        std::function<void(bool)> done, QWidget* debugger) {
  QTimer::singleShot(afterMs, panel, [panel, plot, prefix, done, debugger] {
    bool ok = Save(panel, prefix + "-panel.png");
    ok = Save(plot, prefix + "-plot.png") && ok;
    if (debugger) ok = Save(debugger, prefix + "-debugger.png") && ok;
    if (done) done(ok);
    panel->close();
  });
}

}  // namespace kv74::shell
