// Temporary files removed when SIGINT, SIGTERM or SIGHUP ends the program; the signal then takes
// its default action. Registration is lock-free; the handler only calls unlink().
#pragma once

namespace kv74::fileio {

// Registers path; -1 when every slot is taken (the file is then only removed on normal paths).
int RegisterTemporary(const char* path);
void UnregisterTemporary(int slot);

}  // namespace kv74::fileio
