// Where the debugger window opens: wholly within the available geometry of the panel's screen,
// beside the panel where there is room, else over it; the size and dock layout of the last
// session (Qt's settings) when there is one.
#pragma once

#include <QRect>
#include <QSize>

class QMainWindow;
class QWidget;

namespace kv74::shell::dbgwin {

// The frame for a window of `wanted` size (shrunk to the screen) next to `panel` on `screen`.
QRect PlaceBeside(const QRect& panel, const QRect& screen, QSize wanted);

// Restores the last session's size and dock layout of `window`, then moves it by PlaceBeside
// next to `panel` on the panel's screen.
void PlaceWindow(QMainWindow& window, const QWidget& panel, QSize wanted);
// Keeps the size and dock layout for the next session.
void SaveWindowLayout(const QMainWindow& window);

}  // namespace kv74::shell::dbgwin
