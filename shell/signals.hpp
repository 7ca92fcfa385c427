// SIGTERM, SIGINT and SIGHUP close the panel window as the user would: the close query stops the
// emulation thread through its handshake and the session's outputs are flushed and put in place.
#pragma once

class QWidget;

namespace kv74::shell {

// Installs the handlers; the window is closed from its own event loop when a signal arrives.
// Call once, on the window thread.
void CloseOnSignals(QWidget* window);

}  // namespace kv74::shell
