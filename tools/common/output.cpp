#include "tools/common/output.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "tools/common/cleanup.hpp"

namespace kv74::fileio {
namespace fs = std::filesystem;
namespace {

constexpr int kMaxLinks = 40;

// path with every symbolic link along the final component followed; the result may not exist.
// 0 on success, else the errno value.
int ResolveLinks(const std::string& path, std::string& resolved) {
  fs::path p = path;
  for (int hops = 0; hops < kMaxLinks; ++hops) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) {
      if (errno != ENOENT) return errno;
      resolved = p.string();
      return 0;
    }
    if (!S_ISLNK(st.st_mode)) {
      resolved = p.string();
      return 0;
    }
    std::error_code ec;
    const fs::path to = fs::read_symlink(p, ec);
    if (ec) return ec.value();
    p = to.is_absolute() ? to : p.parent_path() / to;
  }
  return ELOOP;
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

std::string Reason(int err) { return std::strerror(err); }

// A directory that can take a new file: 0 or the errno value.
int DirectoryAccess(const fs::path& dir) {
  const fs::path d = dir.empty() ? fs::path(".") : dir;
  struct stat st {};
  if (::stat(d.c_str(), &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  return ::access(d.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

}  // namespace

bool Output::Fail(std::string& error, int err) {
  error = "cannot write " + (what_.empty() ? "" : what_ + " ") + name_ + ": " + Reason(err);
  Discard();
  return false;
}

bool Output::Open(std::string& error) {
  if (name_ == "-") {
    file_ = stdout;
    return true;
  }
  if (const int err = ResolveLinks(name_, target_)) return Fail(error, err);
  struct stat st {};
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return Fail(error, errno);
  if (exists && S_ISDIR(st.st_mode)) return Fail(error, EISDIR);
  if (exists && !S_ISREG(st.st_mode)) {
    // A device or FIFO: written in place, never replaced.
    file_ = std::fopen(target_.c_str(), "wb");
    return file_ ? true : Fail(error, errno);
  }
  const fs::path target(target_);
  const fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  std::string pattern = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return Fail(error, errno);
  temp_ = pattern;
  slot_ = RegisterTemporary(temp_.c_str());
  ::fchmod(fd, exists ? (st.st_mode & 07777) : NewFileMode());
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    const int err = errno;
    ::close(fd);
    return Fail(error, err);
  }
  return true;
}

void Output::Write(std::string_view bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() && writeError_ == 0)
    writeError_ = errno;
}

void Output::Flush() {
  if (std::fflush(file_) != 0 && writeError_ == 0) writeError_ = errno;
}

bool Output::Finish(std::string& error) {
  if (!file_) return true;
  errno = writeError_;
  bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
  int err = writeError_ != 0 ? writeError_ : errno;
  if (file_ == stdout) {
    file_ = nullptr;
    return ok ? true : Fail(error, err ? err : EIO);
  }
  if (ok && !temp_.empty() && ::fsync(::fileno(file_)) != 0) {
    ok = false;
    err = errno;
  }
  if (std::fclose(file_) != 0 && ok) {
    ok = false;
    err = errno;
  }
  file_ = nullptr;
  return ok ? true : Fail(error, err ? err : EIO);
}

bool Output::Replace(std::string& error) {
  if (temp_.empty()) return true;
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) return Fail(error, errno);
  UnregisterTemporary(slot_);
  slot_ = -1;
  temp_.clear();
  return true;
}

void Output::Discard() {
  if (file_ && file_ != stdout) std::fclose(file_);
  file_ = nullptr;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  UnregisterTemporary(slot_);
  slot_ = -1;
  temp_.clear();
}

bool WriteFile(const std::string& what, const std::string& name, std::string_view bytes,
               std::string& error) {
  Output out(what, name);
  if (!out.Open(error)) return false;
  out.Write(bytes);
  return out.Finish(error) && out.Replace(error);
}

namespace {
int stdoutError = 0;  // the reason of the first failed flush
}  // namespace

bool FlushStandardOutput() {
  errno = 0;
  if (std::fflush(stdout) != 0 && stdoutError == 0) stdoutError = errno ? errno : EIO;
  return stdoutError == 0 && !std::ferror(stdout);
}

int ExitStatus(int status, const char* program, int failStatus) {
  if (FlushStandardOutput()) return status;
  std::fprintf(stderr, "%s: cannot write standard output: %s\n", program,
               Reason(stdoutError ? stdoutError : EIO).c_str());
  return failStatus;
}

Output& Transaction::Add(std::string what, std::string name) {
  outputs_.push_back(std::make_unique<Output>(std::move(what), std::move(name)));
  return *outputs_.back();
}

bool Transaction::OpenAll(std::string& error) {
  for (auto& o : outputs_) {
    if (o->Open(error)) continue;
    for (auto& other : outputs_) other->Discard();
    return false;
  }
  return true;
}

bool Transaction::CommitAll(std::string& error) {
  bool ok = true;
  for (auto& o : outputs_) ok = ok && o->Finish(error);
  for (auto& o : outputs_) ok = ok && o->Replace(error);
  for (auto& o : outputs_) o->Discard();
  return ok;
}

std::string SameFileClash(const std::vector<std::pair<std::string, std::string>>& whatAndName) {
  std::vector<fs::path> keys;
  for (const auto& [what, name] : whatAndName) {
    std::string resolved = name;
    ResolveLinks(name, resolved);
    std::error_code ec;
    const fs::path absolute = fs::absolute(resolved, ec).lexically_normal();
    fs::path key = fs::weakly_canonical(absolute, ec);
    if (ec) key = absolute;
    keys.push_back(key);
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (whatAndName[i].second == "-" || whatAndName[j].second == "-") continue;
      std::error_code ec;
      if (keys[i] == keys[j] || fs::equivalent(keys[i], keys[j], ec)) {
        return whatAndName[j].first + " and " + whatAndName[i].first + " name the same file " +
               whatAndName[i].second;
      }
    }
  }
  return {};
}

bool CheckWritable(const std::string& path, bool isDirectory, std::string& error) {
  std::string target;
  int err = ResolveLinks(path, target);
  struct stat st {};
  if (err == 0 && ::stat(target.c_str(), &st) == 0) {
    if (isDirectory) {
      err = DirectoryAccess(target);
    } else if (S_ISDIR(st.st_mode)) {
      err = EISDIR;
    } else if (::access(target.c_str(), W_OK) != 0) {
      err = errno;
    }
  } else if (err == 0 && errno != ENOENT) {
    err = errno;
  } else if (err == 0) {
    // Missing: the nearest existing directory above must take new entries.
    fs::path dir = fs::path(target).parent_path();
    if (isDirectory) {
      while (!dir.empty() && ::access(dir.c_str(), F_OK) != 0 && dir != dir.parent_path())
        dir = dir.parent_path();
    }
    err = DirectoryAccess(dir);
  }
  if (err == 0) return true;
  error = path + ": " + Reason(err);
  return false;
}

}  // namespace kv74::fileio
