// Reading a whole input file: regular files only (a FIFO or a device is refused without blocking on
// it), bounded in size.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kv74 {

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
