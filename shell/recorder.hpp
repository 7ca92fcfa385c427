// --record FILE: every click of a session with its step, in the input-script format that
// `kv74-run --input` and `kv74 --input` read. Lines go to a temporary file beside FILE as they
// are made (flushed per line); the end of the session renames it over FILE. Written as every
// output is (tools/common/output.hpp): a device or FIFO is never replaced by a file.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "tools/common/output.hpp"

namespace kv74::shell {

class ClickRecorder {
 public:
  // Throws std::runtime_error with the reason when the file cannot be written.
  explicit ClickRecorder(const QString& path);

  // On the emulation thread.
  void Record(std::uint64_t step, const std::string& name);
  // Notes the last step and puts the file in place; false with *error set on failure.
  bool Finish(std::uint64_t steps, QString* error);

 private:
  void Line(const std::string& line);

  fileio::Output file_;
};

}  // namespace kv74::shell
