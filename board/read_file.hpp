// Reading a whole input file: regular files only (a FIFO or a device is refused without blocking on
// it), bounded in size. Every file a program reads goes through ReadRegularFile with the bound of
// its kind below (docs/files.md has the table).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kv74 {

// Size bounds, one per kind of input.
namespace input_limit {
inline constexpr std::uintmax_t kImage = 0x10000 * 2;       // V4, AMT, RAM; kv74-dis images
inline constexpr std::uintmax_t kSource = 4u << 20;         // one assembler source
inline constexpr std::uintmax_t kClickScript = 16u << 20;   // --input, recordings
inline constexpr std::uintmax_t kMonitorScript = 4u << 20;  // --do
inline constexpr std::uintmax_t kDebugInfo = 32u << 20;     // --debug-info, --symbols
inline constexpr std::uintmax_t kSnapshot = 64u << 20;      // --load-state, load-state
inline constexpr std::uintmax_t kRam = 0x1000 * 2;          // the window's battery RAM
inline constexpr std::uintmax_t kTrace = 256u << 20;        // kv74-dis --trace
}  // namespace input_limit

struct FileBytes {
  std::string bytes;        // at most the limit
  std::uintmax_t size = 0;  // the file's size as found
  std::string error;        // empty when read; else why not ("Is a directory", "No such file...")
  bool ok() const { return error.empty(); }
};

// Reads file. A file longer than limit is an error, unless truncate is set: then its first limit
// bytes are returned and size tells how long it is.
FileBytes ReadRegularFile(const std::filesystem::path& file, std::uintmax_t limit,
                          bool truncate = false);

}  // namespace kv74
