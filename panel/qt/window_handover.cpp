#include "panel/qt/window_handover.hpp"

#include <QMetaObject>

namespace kv74::qt {

void WindowHandover::Handover(BoardState& m) {
  if (form_ == nullptr) {
    m.NotifyWord = 0;
    return;
  }
  QMetaObject::invokeMethod(form_, &TForm1::Refresh, Qt::BlockingQueuedConnection);
}

}  // namespace kv74::qt
