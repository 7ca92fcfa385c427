#include "shell/recorder.hpp"

#include <stdexcept>

namespace kv74::shell {

ClickRecorder::ClickRecorder(const QString& path) : file_("recording", path.toStdString()) {
  std::string error;
  if (!file_.Open(error)) throw std::runtime_error(error);
  Line("# kv74 session: STEP click NAME, replayed by kv74 --input or kv74-run --input\n");
}

void ClickRecorder::Line(const std::string& line) {
  file_.Write(line);
  file_.Flush();
}

void ClickRecorder::Record(std::uint64_t step, const std::string& name) {
  Line(std::to_string(step) + " click " + name + "\n");
}

bool ClickRecorder::Finish(std::uint64_t steps, QString* error) {
  Line("# ended at step " + std::to_string(steps) + "\n");
  std::string why;
  if (file_.Finish(why) && file_.Replace(why)) return true;
  if (error) *error = QString::fromStdString(why);
  return false;
}

}  // namespace kv74::shell
