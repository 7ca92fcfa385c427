// The debugger window's side of the run: run control (continue, pause, step, step over, step
// out, step back, reverse-continue), stop points, the console's monitor session, and the view
// data, read at a step boundary of the emulation thread (at once while paused, at a modest rate
// while running; never while a debugger command runs, when only the lock-free step count is
// shown).
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "debuginfo/debug_info.hpp"
#include "monitor/session.hpp"
#include "shell/debugger/view_data.hpp"

class QTimer;

namespace kv74::shell {
class Session;
}

namespace kv74::shell::dbgwin {

class Controller final : public QObject {
  Q_OBJECT

 public:
  static constexpr int kPollMs = 50;          // how often a stop is looked for
  static constexpr int kRunningLookMs = 200;  // views while running

  // `info` may be null; it outlives the controller.
  Controller(Session& session, const dbg::DebugInfo* info, QObject* parent = nullptr);
  ~Controller() override;

  const dbg::DebugInfo* Info() const { return info_; }
  const ViewData& Data() const { return data_; }
  bool Paused() const;
  bool CommandRunning() const;
  std::uint64_t Steps() const;

  // History, call tracking and checkpoints on (while the views are shown) or history and calls
  // off again.
  void SetActive(bool on);
  // Reads the view data now (waiting for a step boundary) and tells the views.
  void Refresh();

  // The coverage views open: their counts are read with the view data, and counting starts
  // (the monitor's `coverage profile`) unless something counts already. Closed: counting stops
  // (`coverage off`) and nothing is read, so the run pays nothing for them.
  void ShowCoverage(bool on);
  bool CoverageShown() const { return coverageShown_; }
  // Counting afresh from now, with the call tree as before (`coverage profile` or `coverage on`).
  void ResetCoverage();

  void Continue();
  void Pause();
  void Step();
  void StepOver();
  void StepOut();
  void StepBack();
  void ReverseContinue();

  void ToggleBreak(std::uint16_t address);
  void SetEnabled(int id, bool on);
  void Remove(int id);
  // An empty text removes the condition; false with *error for a bad expression.
  bool SetCondition(int id, const QString& text, QString* error);
  // A monitor command; its answer comes through `output` once carried out.
  void Execute(const QString& line);
  // A command carried out at once at a step boundary (edits while paused: "set R3 = 5");
  // returns its answer, or the error prefixed "error: ".
  QString ExecuteNow(const QString& line);

 signals:
  void refreshed();
  void output(const QString& text);

 private:
  void Poll();
  // Logs a stop in the console (from the emulation thread).
  void Tell(const debug::StopReason& stop);
  void AtBoundary(const std::function<void()>& fn);
  // Runs fn on the emulation thread as a command that leaves the run paused.
  void RunCommand(std::function<debug::StopReason(debug::Engine&)> fn);
  // Carries out a parsed command on the emulation thread, returning its printed answer.
  QString Carry(const mon::Command& command);

  Session& session_;
  const dbg::DebugInfo* info_;
  std::unique_ptr<mon::Session> monitor_;
  ViewData data_;
  std::uint64_t seenStops_ = ~std::uint64_t{0};
  qint64 lastLookMs_ = 0;
  bool active_ = false;
  bool coverageShown_ = false;
  bool busy_ = false;  // waiting for a step boundary
  QTimer* timer_;
};

}  // namespace kv74::shell::dbgwin
