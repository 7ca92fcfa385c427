// Files the programs write (the tools, the window's recorder, RAM file and screenshots). An output
// goes to a fresh temporary beside its target and is renamed over it only on success, so a failed
// or interrupted run leaves the old file as it was. A target that exists and is not a regular file
// (a device, a FIFO) is written directly and never replaced; a symbolic link is followed, so the
// file it points to is updated and the link stays. "-" is standard output.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv74::fileio {

class Output {
 public:
  // what names the output in messages ("state JSON"); name is the path the user gave.
  Output(std::string what, std::string name) : what_(std::move(what)), name_(std::move(name)) {}
  ~Output() { Discard(); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Creates the temporary (or opens the device); false with error "cannot write WHAT NAME: reason".
  bool Open(std::string& error);
  std::FILE* Stream() const { return file_; }
  // Writes through the stream, keeping the OS's reason for the first failure.
  void Write(std::string_view bytes);
  // Writes out what is buffered (a file followed as it grows), keeping the reason as Write does.
  void Flush();
  const std::string& Name() const { return name_; }

  // Flushes and closes the stream; false with error if anything written was lost.
  bool Finish(std::string& error);
  // Renames the finished temporary over the target.
  bool Replace(std::string& error);
  // Closes and removes the temporary; the target stays as it was.
  void Discard();

 private:
  bool Fail(std::string& error, int err);

  std::string what_, name_;
  std::string target_;  // name_ with symbolic links resolved
  std::string temp_;    // empty when writing directly
  std::FILE* file_ = nullptr;
  int slot_ = -1;  // registration for removal on a signal
  int writeError_ = 0;
};

// A whole file written at once through an Output: false with error on any failure, the target
// then as it was.
bool WriteFile(const std::string& what, const std::string& name, std::string_view bytes,
               std::string& error);

// Standard output flushed; false once anything written to it was lost. Keeps the reason of the
// first failure for StandardOutputWritten.
bool FlushStandardOutput();
// A program's exit status once standard output is flushed: status, or failStatus after telling
// "PROGRAM: cannot write standard output: reason" when anything written to it was lost.
int ExitStatus(int status, const char* program, int failStatus);

// Several outputs that replace their targets all together or not at all.
class Transaction {
 public:
  Output& Add(std::string what, std::string name);
  // Opens every output; on failure nothing is left behind.
  bool OpenAll(std::string& error);
  // Finishes every output, then replaces the targets; on failure no target has been replaced.
  bool CommitAll(std::string& error);

 private:
  std::vector<std::unique_ptr<Output>> outputs_;
};

// The first two of the named paths that name one file (after resolving ".", "..", links), as
// "A and B name the same file"; empty when all differ. "-" never clashes with a path.
std::string SameFileClash(const std::vector<std::pair<std::string, std::string>>& whatAndName);

// False with error (the OS's reason) if a file could not be created in or written to path, which
// may be a missing file in an existing directory, an existing file or a directory (checked as a
// place for new files). Nothing is created or emptied.
bool CheckWritable(const std::string& path, bool isDirectory, std::string& error);

}  // namespace kv74::fileio
