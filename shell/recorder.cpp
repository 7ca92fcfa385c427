#include "shell/recorder.hpp"

#include <stdexcept>

namespace kv74::shell {

ClickRecorder::ClickRecorder(const QString& path) : file_(path) {
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Text)) {
    throw std::runtime_error(
        ("cannot record to " + path + ": " + file_.errorString()).toStdString());
  }
  file_.write("# kv74 session: STEP click NAME, replayed by kv74 --input or kv74-run --input\n");
  file_.flush();
}

void ClickRecorder::Record(std::uint64_t step, const std::string& name) {
  const std::string line = std::to_string(step) + " click " + name + "\n";
  if (file_.write(line.data(), static_cast<qint64>(line.size())) !=
          static_cast<qint64>(line.size()) ||
      !file_.flush())
    failed_ = true;
}

bool ClickRecorder::Finish(std::uint64_t steps, QString* error) {
  const std::string line = "# ended at step " + std::to_string(steps) + "\n";
  file_.write(line.data(), static_cast<qint64>(line.size()));
  if (failed_ || !file_.commit()) {
    if (error) *error = "the recording " + file_.fileName() + " failed: " + file_.errorString();
    file_.cancelWriting();
    return false;
  }
  return true;
}

}  // namespace kv74::shell
