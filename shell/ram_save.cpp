#include "shell/ram_save.hpp"

#include <QSaveFile>

#include "panel/cells.hpp"

namespace kv74::shell {

bool SaveRam(MachineState& m, const QString& path, QString* error) {
  // The processor keeps running: the words are those of the moment each is copied.
  QByteArray bytes(static_cast<qsizetype>(DATA_WORDS * 2), '\0');
  for (std::size_t i = 0; i < DATA_WORDS; ++i) {
    std::uint16_t w = LoadDataWord(m, static_cast<std::uint16_t>(DATA_BASE + i));
    bytes[static_cast<qsizetype>(2 * i)] = static_cast<char>(w & 0xFF);
    bytes[static_cast<qsizetype>(2 * i + 1)] = static_cast<char>(w >> 8);
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    if (error) *error = "The RAM could not be saved to " + path + ": " + file.errorString();
    return false;
  }
  return true;
}

}  // namespace kv74::shell
