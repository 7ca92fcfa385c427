// Running a tool against hostile paths: a scratch directory with a snapshot of everything in it
// (to prove nothing was changed or left behind), FIFOs, a device node that behaves as a full disk,
// a read-only mount and a tiny full file system. Nodes and mounts the machine cannot make give a
// skip reason instead; nothing outside the scratch directory is ever written.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace kv74::test {

namespace fs = std::filesystem;

// A built program, or with KV74_TOOLS_UNDER_TEST set to another build's tools/ folder, that
// build's program (to see what a row finds in it).
inline std::string ToolUnderTest(const std::string& built) {
  const char* other = std::getenv("KV74_TOOLS_UNDER_TEST");
  const std::size_t at = built.rfind("/tools/");
  if (!other || at == std::string::npos) return built;
  return other + built.substr(at + 6);
}

// A file of text nested n arrays deep: [[[...]]].
inline std::string Nested(int n) { return std::string(n, '[') + std::string(n, ']'); }

struct Outcome {
  int status;  // exit status, or 128 + signal
  std::string out, err;
};

inline std::string Slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class Scratch {
 public:
  Scratch() : root_(MakeTemp()), io_(MakeTemp()) {}
  ~Scratch() {
    for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
    std::error_code ec;
    fs::remove_all(root_, ec);
    fs::remove_all(io_, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  fs::path operator/(const std::string& name) const { return root_ / name; }
  const fs::path& Root() const { return root_; }

  fs::path Write(const std::string& name, const std::string& bytes) const {
    const fs::path p = root_ / name;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  fs::path Fifo(const std::string& name) const {
    const fs::path p = root_ / name;
    return ::mkfifo(p.c_str(), 0644) == 0 ? p : fs::path();
  }
  // A character device like the system's full device (writes fail with ENOSPC), or empty.
  fs::path FullDevice(const std::string& name) const {
    const fs::path p = root_ / name;
    return ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0 ? p : fs::path();
  }
  // A directory mounted read-only over a copy of nothing (empty unless files are given), or empty.
  fs::path ReadOnly(const std::string& name, const std::map<std::string, std::string>& files = {}) {
    const fs::path p = root_ / name;
    fs::create_directories(p);
    for (const auto& [file, bytes] : files) Write(name + "/" + file, bytes);
    if (::mount(p.c_str(), p.c_str(), nullptr, MS_BIND, nullptr) != 0) return {};
    mounts_.push_back(p.string());
    if (::mount(nullptr, p.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
      return {};
    return p;
  }
  // A file system of a few kilobytes holding files, then filled up; or empty.
  fs::path FullDisk(const std::string& name, const std::map<std::string, std::string>& files = {}) {
    const fs::path p = root_ / name;
    fs::create_directories(p);
    if (::mount("tmpfs", p.c_str(), "tmpfs", 0, "size=16k") != 0) return {};
    mounts_.push_back(p.string());
    for (const auto& [file, bytes] : files) Write(name + "/" + file, bytes);
    std::ofstream fill(p / "filler", std::ios::binary);
    const std::string block(1024, 'f');
    for (int i = 0; i < 64 && fill; ++i) fill << block << std::flush;
    return p;
  }

  // Every entry below the root: type, size, contents or link target.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> s;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root_, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
      const fs::path& p = it->path();
      const std::string key = fs::relative(p, root_, ec).string();
      if (it->is_symlink(ec)) {
        s[key] = "link " + fs::read_symlink(p, ec).string();
      } else if (it->is_regular_file(ec)) {
        s[key] = "file " + Slurp(p);
      } else if (it->is_directory(ec)) {
        s[key] = "dir";
      } else {
        s[key] = "special " + std::to_string(static_cast<int>(it->status(ec).type()));
      }
    }
    return s;
  }

  // Runs a shell command line in the root directory.
  Outcome Run(const std::string& command) const {
    const fs::path out = io_ / "out", err = io_ / "err";
    const std::string line = "cd '" + root_.string() + "' && { " + command + "; } >'" +
                             out.string() + "' 2>'" + err.string() + "'";
    const int raw = std::system(line.c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return {status, Slurp(out), Slurp(err)};
  }

 private:
  static fs::path MakeTemp() {
    std::string pattern = (fs::temp_directory_path() / "kv74-hostile-XXXXXX").string();
    return mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
  }

  fs::path root_, io_;
  std::vector<std::string> mounts_;
};

// What changed between two snapshots, one line per entry; empty when nothing did.
inline std::string Changes(const std::map<std::string, std::string>& before,
                           const std::map<std::string, std::string>& after) {
  std::string out;
  for (const auto& [k, v] : before) {
    const auto it = after.find(k);
    if (it == after.end())
      out += "removed " + k + "\n";
    else if (it->second != v)
      out += "changed " + k + "\n";
  }
  for (const auto& [k, v] : after)
    if (!before.count(k)) out += "added " + k + "\n";
  return out;
}

}  // namespace kv74::test
