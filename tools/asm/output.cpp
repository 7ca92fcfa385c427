#include "tools/asm/output.hpp"

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kv74::as {
namespace {

bool WriteFile(const std::string& path, const std::string& contents) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(contents.data(), 1, contents.size(), f) == contents.size();
  const bool flushed = std::fflush(f) == 0 && fsync(fileno(f)) == 0;
  return (std::fclose(f) == 0) && written && flushed;
}

}  // namespace

bool WriteAll(const std::vector<OutputFile>& files, std::string& error) {
  std::vector<std::string> temps;
  const auto discard = [&temps] {
    for (const std::string& t : temps) std::remove(t.c_str());
  };
  for (const OutputFile& f : files) {
    const std::string temp = f.path + ".tmp" + std::to_string(getpid());
    temps.push_back(temp);
    if (!WriteFile(temp, f.contents)) {
      error = "cannot write '" + f.path + "': " + std::strerror(errno);
      discard();
      return false;
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (std::rename(temps[i].c_str(), files[i].path.c_str()) != 0) {
      error = "cannot write '" + files[i].path + "': " + std::strerror(errno);
      discard();
      return false;
    }
  }
  return true;
}

}  // namespace kv74::as
