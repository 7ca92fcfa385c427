// Writing the assembler's outputs all-or-nothing: every file goes to a fresh temporary beside its
// target first and is renamed only after all of them were written (devices and FIFOs are written
// in place, symbolic links followed).
#pragma once

#include <string>
#include <vector>

namespace kv74::as {

struct OutputFile {
  std::string path;
  std::string contents;
};

// False (with `error`, naming the file and the OS's reason) if any file cannot be written; then no
// regular target file has been touched.
bool WriteAll(const std::vector<OutputFile>& files, std::string& error);

}  // namespace kv74::as
