#include "board/read_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kv74 {

FileBytes ReadRegularFile(const std::filesystem::path& file, std::uintmax_t limit, bool truncate) {
  FileBytes r;
  // O_NONBLOCK: opening a FIFO without a writer returns at once; it is refused below.
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    r.error = std::strerror(errno);
    return r;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    r.error = std::strerror(errno);
  } else if (S_ISDIR(st.st_mode)) {
    r.error = std::strerror(EISDIR);
  } else if (!S_ISREG(st.st_mode)) {
    r.error = "not a regular file";
  } else {
    r.size = static_cast<std::uintmax_t>(st.st_size);
    if (r.size > limit && !truncate) {
      r.error = "file of " + std::to_string(r.size) + " bytes exceeds the limit of " +
                std::to_string(limit) + " bytes";
    }
  }
  if (r.ok()) {
    const std::uintmax_t want = r.size < limit ? r.size : limit;
    r.bytes.resize(static_cast<std::size_t>(want));
    std::size_t got = 0;
    while (got < r.bytes.size()) {
      const ssize_t n = ::read(fd, r.bytes.data() + got, r.bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        r.error = std::strerror(errno);
        break;
      }
      if (n == 0) break;  // shrank while being read
      got += static_cast<std::size_t>(n);
    }
    r.bytes.resize(got);
  }
  ::close(fd);
  if (!r.ok()) r.bytes.clear();
  return r;
}

}  // namespace kv74
