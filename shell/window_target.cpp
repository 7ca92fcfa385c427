#include "shell/window_target.hpp"

#include <QMetaObject>
#include <QThread>
#include <exception>

#include "debug/bytes.hpp"
#include "debug/panel_target.hpp"
#include "panel/click.hpp"

namespace kv74::shell {

void WindowTarget::OnWindowThread(const std::function<void()>& fn) const {
  if (QThread::currentThread() == form_.thread()) {
    fn();
    return;
  }
  std::exception_ptr error;
  QMetaObject::invokeMethod(
      &form_,
      [&] {
        try {
          fn();
        } catch (...) {
          error = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  if (error) std::rethrow_exception(error);
}

bool WindowTarget::IsClickable(std::string_view name) const {
  return kv74::IsClickable(name) && form_.Widget(name) != nullptr;
}

void WindowTarget::Click(std::string_view name) {
  OnWindowThread([&] { ClickControl(panel_, form_, name); });
}

std::vector<std::uint8_t> WindowTarget::SavePanel() const {
  std::vector<std::uint8_t> bytes;
  OnWindowThread(
      [&] { bytes = debug::EncodePanel(debug::CapturePanel(panel_, form_, disp_.PictureRgb())); });
  return bytes;
}

void WindowTarget::RestorePanel(std::span<const std::uint8_t> bytes) {
  OnWindowThread([&] {
    debug::PanelSnapshot s = debug::DecodePanel(bytes, form_);
    if (!disp_.SetPictureRgb(s.picture))
      throw debug::SnapshotError("panel state: the plot picture is missing");
    debug::ApplyPanel(s, panel_, form_);
  });
}

}  // namespace kv74::shell
