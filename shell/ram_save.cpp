#include "shell/ram_save.hpp"

#include <QDir>
#include <QFileInfo>
#include <stdexcept>

#include "board/read_file.hpp"
#include "tools/common/output.hpp"

namespace kv74::shell {

RamWords CopyRam(const BoardState& m) {
  RamWords words;
  std::copy(m.DataMemory.begin(), m.DataMemory.end(), words.begin());
  return words;
}

bool WriteRamFile(const RamWords& words, const QString& path, QString* error) {
  QByteArray bytes(static_cast<qsizetype>(RAM_FILE_BYTES), '\0');
  for (std::size_t i = 0; i < DATA_WORDS; ++i) {
    bytes[static_cast<qsizetype>(2 * i)] = static_cast<char>(words[i] & 0xFF);
    bytes[static_cast<qsizetype>(2 * i + 1)] = static_cast<char>(words[i] >> 8);
  }
  std::string why;
  if (fileio::WriteFile("RAM", path.toStdString(),
                        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        why))
    return true;
  if (error) *error = "The RAM could not be saved to " + path + ": " + QString::fromStdString(why);
  return false;
}

bool SaveRam(const BoardState& m, const QString& path, QString* error) {
  return WriteRamFile(CopyRam(m), path, error);
}

bool LoadBatteryRam(BoardState& m, const QString& path) {
  auto fail = [&path](const QString& why) {
    throw std::runtime_error(
        ("battery RAM " + path + ": " + why + "; the file is left as it is").toStdString());
  };
  const QFileInfo info(path);
  if (!info.exists()) {
    if (!info.absoluteDir().exists()) fail("its folder does not exist");
    return false;
  }
  if (info.isDir()) fail("is a folder, not a RAM file");
  const FileBytes read = ReadRegularFile(path.toStdString(), input_limit::kRam, true);
  if (!read.ok()) fail("cannot be read (" + QString::fromStdString(read.error) + ")");
  if (read.size != static_cast<std::uintmax_t>(RAM_FILE_BYTES)) {
    fail(QString("holds %1 bytes, a RAM file holds %2").arg(read.size).arg(RAM_FILE_BYTES));
  }
  if (read.bytes.size() != static_cast<std::size_t>(RAM_FILE_BYTES))
    fail("could not be read whole");
  const std::string& bytes = read.bytes;
  for (std::size_t i = 0; i < DATA_WORDS; ++i) {
    const auto lo = static_cast<std::uint8_t>(bytes[2 * i]);
    const auto hi = static_cast<std::uint8_t>(bytes[2 * i + 1]);
    m.DataMemory[i] = static_cast<std::uint16_t>(lo | hi << 8);
  }
  return true;
}

}  // namespace kv74::shell
