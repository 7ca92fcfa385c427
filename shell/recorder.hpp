// --record FILE: every click of a session with its step, in the input-script format that
// `kv74-run --input` and `kv74 --input` read. Lines go to a temporary file beside FILE as they
// are made (flushed per line); the end of the session renames it over FILE.
#pragma once

#include <QSaveFile>
#include <QString>
#include <cstdint>
#include <string>

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
  QSaveFile file_;
  bool failed_ = false;
};

}  // namespace kv74::shell
