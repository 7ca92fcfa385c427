// The panel window's Debug menu: Debug -> Debugger opens the debugger window beside the panel
// (made on first use, with the debug information read then: the file given, else V4.debug.json
// beside the images when present).
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <memory>

namespace kv74::shell {

class Session;
namespace dbgwin {
class DebuggerWindow;
}

class DebugMenu final : public QObject {
 public:
  // `debugInfo`: the file given on the command line, or empty.
  DebugMenu(Session& session, std::filesystem::path images, QString debugInfo);
  ~DebugMenu() override;

  // Shows the debugger window (making it first); nullptr when the given debug information
  // cannot be read (told in the panel's status bar).
  dbgwin::DebuggerWindow* Open();
  dbgwin::DebuggerWindow* Window() { return window_.get(); }

 private:
  Session& session_;
  std::filesystem::path images_;
  QString debugInfo_;
  std::unique_ptr<dbgwin::DebuggerWindow> window_;
};

}  // namespace kv74::shell
