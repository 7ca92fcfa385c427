// For scripts: after a delay, grab both windows to PREFIX-panel.png and PREFIX-plot.png (and the
// debugger window, when open, to PREFIX-debugger.png), then close the panel as a user would.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace kv74::shell {

// `done` receives whether both pictures were written.
void ScheduleScreenshot(QWidget* panel, QWidget* plot, const QString& prefix, int afterMs,
                        std::function<void(bool)> done, QWidget* debugger = nullptr);

}  // namespace kv74::shell
