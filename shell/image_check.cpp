#include "shell/image_check.hpp"

#include <cstdint>
#include <string_view>
#include <system_error>

#include "emu/image.hpp"

namespace kv74::shell {

QStringList ImageWarnings(const std::filesystem::path& dir) {
  struct Area {
    std::string_view image;
    std::uintmax_t bytes;
  };
  constexpr Area kAreas[] = {
      {"v4", PROGRAM_WORDS * 2}, {"amt", TABLE_WORDS * 2}, {"ram", DATA_WORDS * 2}};
  QStringList warnings;
  for (const Area& a : kAreas) {
    std::error_code ec;
    const std::filesystem::path file = FindImage(dir, a.image);
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || size == a.bytes) continue;
    const QString name = QString::fromStdString(file.string());
    if (size == 0) {
      warnings << QString("image %1 is empty; its %2-byte area stays zero").arg(name).arg(a.bytes);
    } else if (size < a.bytes) {
      warnings << QString("image %1 holds %2 bytes of its %3-byte area; the rest stays zero")
                      .arg(name)
                      .arg(size)
                      .arg(a.bytes);
    } else {
      warnings << QString("image %1 holds %2 bytes; only the first %3 (its area) are loaded")
                      .arg(name)
                      .arg(size)
                      .arg(a.bytes);
    }
  }
  return warnings;
}

}  // namespace kv74::shell
