#include "panel/trace.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kv74 {

TraceLog::TraceLog(WarningSink warn) : warn_(std::move(warn)) {}

bool TraceLog::Open(const std::filesystem::path& directory) {
  return OpenFile(directory / TRACE_FILE_NAME);
}

bool TraceLog::OpenFile(const std::filesystem::path& file) {
  if (out_.is_open()) out_.close();
  path_ = file;
  errno = 0;
  out_.open(path_, std::ios::out | std::ios::trunc);
  if (!out_.is_open()) {
    std::string reason = errno != 0 ? std::strerror(errno) : "unknown error";
    Warn("cannot open the trace file " + path_.string() + " (" + reason +
         "); decoded blocks are shown but not logged");
    return false;
  }
  return true;
}

void TraceLog::Line(std::string_view text) {
  if (++lines_ <= written_) return;
  written_ = lines_;
  if (!out_.is_open()) return;
  out_ << text << '\n';
  if (flushPerLine_) out_.flush();
  CheckStream("writing");
}

void TraceLog::Flush() {
  if (!out_.is_open()) return;
  out_.flush();
  CheckStream("flushing");
}

void TraceLog::CheckStream(const char* what) {
  if (out_) return;
  const std::string reason = errno != 0 ? std::strerror(errno) : "unknown error";
  out_.close();
  Warn(std::string(what) + " the trace file " + path_.string() + " failed (" + reason +
       "); further blocks are not logged");
}

void TraceLog::Warn(const std::string& message) {
  if (warned_) return;
  warned_ = true;
  if (warn_) {
    warn_(message);
  } else {
    std::fprintf(stderr, "kv74: %s\n", message.c_str());
  }
}

}  // namespace kv74
