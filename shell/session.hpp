// One run of the emulator: the machine, the panel window with its logic, the plot window and the
// emulation thread, put together in the order of the controller's start-up, and taken apart
// with the thread stopped first.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

#include "board/machine.hpp"
#include "panel/panel.hpp"
#include "panel/qt/form1.hpp"
#include "shell/disp.hpp"
#include "shell/recorder.hpp"
#include "shell/window_run.hpp"
#include "shell/window_target.hpp"

namespace kv74::shell {

struct SessionOptions {
  QString imageDir;       // empty: the bundled images
  QString workDir = ".";  // where prog.txt and kv74.ram are written
  double speed = 0;       // times real time; 0 = as fast as possible
  bool startPaused = false;
  QString input;                        // an input script to replay
  QString record;                       // where to record the clicks
  std::optional<std::uint64_t> exitAt;  // close when the count reaches it
  QString ramFile;                      // battery-backed RAM
  QString loadState;                    // a snapshot to start from
  bool reverse = false;                 // checkpoints for going back from the start (--debug)
};

class Session {
 public:
  // Builds the panel, loads the images (and the battery RAM), opens the trace and the recording,
  // creates the plot window and starts the processor, in that order, so that nothing can fail
  // once the processor runs. Throws (ImageError "Resource v4 not found", a bad script, ...)
  // before it runs.
  explicit Session(const SessionOptions& options);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Shows the plot window and the panel above it.
  void Show();

  // msaveClick: the RAM, as it stands at a step boundary, to kv74.ram; a failure is told in the
  // window. Returns success.
  bool msaveClick();
  // The stop handshake, serving hand-overs until the thread has finished; what closing the panel
  // does, and what the end of a session does if the panel was never closed.
  void StopEmulation();
  // Runs fn on the emulation thread at a step boundary, serving the window meanwhile; rethrows.
  void AtStepBoundary(const std::function<void()>& fn);
  // The machine's state (with the panel's) to a snapshot file, and back, at a step boundary;
  // false with the reason told in the window on failure (a failed load changes nothing).
  bool SaveState(const QString& path);
  bool LoadState(const QString& path);

  // Images that fill their area only partly, as told at start.
  const QStringList& Warnings() const { return warnings_; }
  // Whether an output the user asked for (the recording, the battery RAM) failed at the end.
  bool Failed() const { return failed_; }

  BoardState& Machine() { return *m_; }
  qt::TForm1& Form() { return *form_; }
  TDisp& Disp() { return *disp_; }
  PanelLogic& Panel() { return *panel_; }
  WindowRun& Run() { return *run_; }
  // The folder the images came from.
  const std::filesystem::path& ImageDir() const { return imageDir_; }

 private:
  void Wire();
  // After the thread has finished: the recording and the battery RAM are put in place.
  void Finish();
  void Report(const QString& message);

  QString workDir_;
  std::filesystem::path imageDir_;
  QString ramFile_;
  QStringList warnings_;
  bool finished_ = false;
  bool failed_ = false;
  std::unique_ptr<BoardState> m_;
  std::unique_ptr<qt::TForm1> form_;
  std::unique_ptr<TDisp> disp_;
  std::unique_ptr<PanelLogic> panel_;
  std::unique_ptr<WindowTarget> target_;
  std::unique_ptr<ClickRecorder> recorder_;
  std::unique_ptr<WindowRun> run_;
};

}  // namespace kv74::shell
