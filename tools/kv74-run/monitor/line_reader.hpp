// Where the monitor's commands come from: a terminal (prompt, line editing and history through
// libedit) or any other stream (plain lines, no prompt).
#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace kv74::mon {

class LineReader {
 public:
  // Edits lines when `in` is a terminal; the prompt is shown only then.
  LineReader(std::FILE* in, std::string prompt);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line without its newline; nullopt at the end of the input.
  std::optional<std::string> Next();
  bool Interactive() const { return interactive_; }

 private:
  std::FILE* in_;
  std::string prompt_;
  bool interactive_;
};

}  // namespace kv74::mon
