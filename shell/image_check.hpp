// Warnings about images that fill their memory area only partly or not at all (still legal: the
// rest of the area keeps zeros) or that are longer than it (the tail is not loaded).
#pragma once

#include <QStringList>
#include <filesystem>

namespace kv74::shell {

// One message per such image of a start (V4, AMT, RAM), naming file, size and area size.
QStringList ImageWarnings(const std::filesystem::path& dir);

}  // namespace kv74::shell
