// One run of the emulator: the machine, the panel window with its logic, the plot window and the
// emulation thread, put together in the order of the controller's start-up, and taken apart
// with the thread stopped first.
#pragma once

#include <QString>
#include <memory>

#include "emu/machine.hpp"
#include "emu/thread.hpp"
#include "panel/panel.hpp"
#include "panel/qt/form1.hpp"
#include "panel/qt/window_handover.hpp"
#include "shell/disp.hpp"

namespace kv74::shell {

struct SessionOptions {
  QString imageDir;       // empty: the bundled images
  QString workDir = ".";  // where prog.txt and kv74.ram are written
};

class Session {
 public:
  // Builds the panel, loads the images, starts the processor, opens the trace and creates the
  // plot window. Throws (ImageError "Resource v4 not found", ...) before the processor runs.
  explicit Session(const SessionOptions& options);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Shows the plot window and the panel above it.
  void Show();

  // msaveClick: the RAM to kv74.ram; a failure is told in the window. Returns success.
  bool msaveClick();
  // The stop handshake, serving hand-overs until the thread has finished; what closing the panel
  // does, and what the end of a session does if the panel was never closed.
  void StopEmulation();

  MachineState& Machine() { return *m_; }
  qt::TForm1& Form() { return *form_; }
  TDisp& Disp() { return *disp_; }
  PanelLogic& Panel() { return *panel_; }
  EmulationThread& Thread() { return *thread_; }

 private:
  void Wire();

  QString workDir_;
  std::unique_ptr<MachineState> m_;
  std::unique_ptr<qt::TForm1> form_;
  std::unique_ptr<TDisp> disp_;
  std::unique_ptr<PanelLogic> panel_;
  std::unique_ptr<qt::WindowHandover> handover_;
  std::unique_ptr<EmulationThread> thread_;
};

}  // namespace kv74::shell
