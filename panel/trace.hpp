// The program trace "prog.txt": one line per decoded block, emptied at start, written through the
// stream's ordinary buffering (flushed when the log is flushed or destroyed, or after every line
// when asked), text-mode line ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>

namespace kv74 {

// Receives a message for the user; the runner prints it, the window shows it.
using WarningSink = std::function<void(const std::string&)>;

inline constexpr std::string_view TRACE_FILE_NAME = "prog.txt";

class TraceLog {
 public:
  // An empty sink writes warnings to stderr.
  explicit TraceLog(WarningSink warn = {});

  // Opens directory/prog.txt for writing, emptying it. When that fails the log drops every line
  // and the user is told once.
  bool Open(const std::filesystem::path& directory);
  bool OpenFile(const std::filesystem::path& file);
  bool IsOpen() const { return out_.is_open(); }
  // True once opening or writing failed (the user has been told).
  bool Failed() const { return warned_; }
  const std::filesystem::path& Path() const { return path_; }

  // Appends text and a line end. A write error closes the log and tells the user once. Lines are
  // counted; a line whose number was written before (the run went back and comes again) is not
  // written twice.
  void Line(std::string_view text);
  // Each line reaches the file as it is written, so that it can be followed during a run (the
  // window); off by default, where buffering keeps long runs fast (the runner).
  void SetFlushPerLine(bool on) { flushPerLine_ = on; }
  std::uint64_t Lines() const { return lines_; }
  // Sets the count, e.g. from a saved panel state; the lines already written stay written.
  void SetLines(std::uint64_t lines) { lines_ = lines; }
  void Flush();

 private:
  void Warn(const std::string& message);
  void CheckStream(const char* what);

  std::ofstream out_;
  std::filesystem::path path_;
  WarningSink warn_;
  bool warned_ = false;
  bool flushPerLine_ = false;
  std::uint64_t lines_ = 0;    // lines given
  std::uint64_t written_ = 0;  // the highest line number given to the file
};

}  // namespace kv74
