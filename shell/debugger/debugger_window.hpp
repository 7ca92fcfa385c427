// The debugger window beside the panel: run control on a tool bar (with shortcuts), the
// disassembly in the middle, the other views in docks around it, the stop in the status bar.
// The Coverage action opens the Profile dock and with it the coverage marks of the disassembly;
// closing the dock (or the window) stops the counting.
#pragma once

#include <QMainWindow>
#include <memory>

#include "debuginfo/debug_info.hpp"

class QAction;
class QDockWidget;
class QLabel;

namespace kv74::shell {
class Session;
}

namespace kv74::shell::dbgwin {

class Controller;
class DisassemblyView;
class RegistersView;
class MemoryView;
class PeripheralsView;
class PointsView;
class HistoryView;
class CallStackView;
class ConsoleView;
class ProfileView;

class DebuggerWindow final : public QMainWindow {
 public:
  // `info` may be empty (no debug information: addresses only).
  DebuggerWindow(Session& session, std::unique_ptr<dbg::DebugInfo> info);
  ~DebuggerWindow() override;

  Controller& Control() { return *controller_; }
  DisassemblyView& Disassembly() { return *disassembly_; }
  RegistersView& Registers() { return *registers_; }
  MemoryView& Memory() { return *memory_; }
  PeripheralsView& Peripherals() { return *peripherals_; }
  PointsView& Points() { return *points_; }
  ConsoleView& Console() { return *console_; }
  ProfileView& Profile() { return *profile_; }
  QString StatusText() const;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildToolBar();
  void BuildCoverageBar();
  QDockWidget* AddDock(QWidget* view, const QString& title, Qt::DockWidgetArea area);
  void UpdateStatus();
  // The Profile dock and the disassembly's marks: open counts, closed stops counting.
  void OpenCoverage(bool on);
  // Opens them when counting starts elsewhere (the console's coverage command).
  void FollowCounting();

  std::unique_ptr<dbg::DebugInfo> info_;
  Controller* controller_;
  DisassemblyView* disassembly_;
  RegistersView* registers_;
  MemoryView* memory_;
  PeripheralsView* peripherals_;
  PointsView* points_;
  HistoryView* history_;
  CallStackView* calls_;
  ConsoleView* console_;
  ProfileView* profile_;
  QDockWidget* profileDock_ = nullptr;
  QAction* coverage_ = nullptr;
  QLabel* status_;
  bool counting_ = false;  // as last read
};

}  // namespace kv74::shell::dbgwin
