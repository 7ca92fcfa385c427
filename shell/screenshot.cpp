#include "shell/screenshot.hpp"

#include <QBuffer>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "tools/common/output.hpp"

namespace kv74::shell {
namespace {

bool Save(QWidget* w, const QString& path) {
  QByteArray png;
  QBuffer buffer(&png);
  std::string error;
  const bool ok =
      buffer.open(QIODevice::WriteOnly) && w->grab().save(&buffer, "PNG") &&
      fileio::WriteFile("screenshot", path.toStdString(),
                        std::string_view(png.constData(), static_cast<std::size_t>(png.size())),
                        error);
  if (ok)
    std::printf("wrote %s\n", path.toLocal8Bit().constData());
  else
    std::fprintf(stderr, "%s\n",
                 error.empty() ? ("cannot write " + path.toStdString()).c_str() : error.c_str());
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
