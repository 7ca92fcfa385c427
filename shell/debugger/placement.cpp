#include "shell/debugger/placement.hpp"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QSettings>
#include <algorithm>

namespace kv74::shell::dbgwin {
namespace {
constexpr int kGap = 8;
const char* const kGeometry = "debugger/geometry";
const char* const kState = "debugger/state";
// Raised whenever the docks change, so that a layout saved by an older window is not restored.
constexpr int kLayoutVersion = 3;
}  // namespace

QRect PlaceBeside(const QRect& panel, const QRect& screen, QSize wanted) {
  const QSize size = wanted.boundedTo(screen.size());
  int x = panel.right() + 1 + kGap;
  if (x + size.width() > screen.x() + screen.width()) x = panel.left() - kGap - size.width();
  if (x < screen.x()) x = screen.x() + screen.width() - size.width();  // over the panel
  const int y = std::clamp(panel.top(), screen.y(), screen.y() + screen.height() - size.height());
  return {QPoint(x, y), size};
}

void PlaceWindow(QMainWindow& window, const QWidget& panel, QSize wanted) {
  const QSettings settings;
  if (settings.contains(kGeometry)) {
    window.restoreGeometry(settings.value(kGeometry).toByteArray());
    window.restoreState(settings.value(kState).toByteArray(), kLayoutVersion);
    wanted = window.size();
  }
  const QScreen* screen =
      panel.screen() != nullptr ? panel.screen() : QGuiApplication::primaryScreen();
  const QRect area = screen->availableGeometry();
  // The frame's decoration, as far as the window system has told it.
  const QSize frame = window.frameGeometry().size() - window.geometry().size();
  const QRect at = PlaceBeside(panel.frameGeometry(), area, wanted + frame);
  window.resize(at.size() - frame);
  window.move(at.topLeft());
}

void SaveWindowLayout(const QMainWindow& window) {
  QSettings settings;
  settings.setValue(kGeometry, window.saveGeometry());
  settings.setValue(kState, window.saveState(kLayoutVersion));
}

}  // namespace kv74::shell::dbgwin
