#include "shell/debug_menu.hpp"

#include <QMenu>
#include <QMenuBar>

#include "analysis/machine.hpp"
#include "board/image.hpp"
#include "shell/debugger/debugger_window.hpp"
#include "shell/debugger/placement.hpp"
#include "shell/session.hpp"

namespace kv74::shell {

DebugMenu::DebugMenu(Session& session, std::filesystem::path images, QString debugInfo)
    : QObject(&session.Form()),
      session_(session),
      images_(std::move(images)),
      debugInfo_(std::move(debugInfo)) {
  QMenu* menu = session.Form().MenuBar()->addMenu("&Debug");
  menu->addAction("&Debugger", QKeySequence(Qt::CTRL | Qt::Key_D), [this] { Open(); });
}

DebugMenu::~DebugMenu() = default;

dbgwin::DebuggerWindow* DebugMenu::Open() {
  if (!window_) {
    std::unique_ptr<dbg::DebugInfo> info;
    const std::filesystem::path file = debugInfo_.isEmpty()
                                           ? images_ / "V4.debug.json"
                                           : std::filesystem::path(debugInfo_.toStdString());
    if (!debugInfo_.isEmpty() || std::filesystem::exists(file)) {
      try {
        info = std::make_unique<dbg::DebugInfo>(dbg::ReadDebugInfo(file));
      } catch (const std::exception& e) {
        session_.Form().ShowWarning(QString::fromLocal8Bit(e.what()));
        return nullptr;
      }
    } else {
      // The images as loaded, analysed on a copy: the running machine is not touched.
      auto loaded = std::make_unique<BoardState>();
      LoadImages(*loaded, images_);
      info = std::make_unique<dbg::DebugInfo>(ana::AnalyseMachine(*loaded));
    }
    window_ = std::make_unique<dbgwin::DebuggerWindow>(session_, std::move(info));
    dbgwin::PlaceWindow(*window_, session_.Form(), window_->size());
  }
  window_->show();
  window_->raise();
  return window_.get();
}

}  // namespace kv74::shell
