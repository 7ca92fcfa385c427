#include "line_reader.hpp"

#include <editline/readline.h>
#include <unistd.h>

#include <cstdlib>

#include "monitor/command.hpp"

namespace kv74::mon {

LineReader::LineReader(std::FILE* in, std::string prompt)
    : in_(in), prompt_(std::move(prompt)), interactive_(isatty(fileno(in)) != 0) {
  if (interactive_) {
    rl_instream = in_;
    using_history();
  }
}

LineReader::~LineReader() {
  if (interactive_) clear_history();
}

std::optional<std::string> LineReader::Next() {
  if (interactive_) {
    char* raw = readline(prompt_.c_str());
    if (!raw) return std::nullopt;
    std::string line(raw);
    std::free(raw);
    // An empty line repeats nothing here; only real commands go into the history.
    if (line.find_first_not_of(" \t") != std::string::npos) add_history(line.c_str());
    return line;
  }
  std::string line;
  int c;
  // Past the longest line a command may have, the rest is dropped: the line is refused anyway.
  while ((c = std::fgetc(in_)) != EOF && c != '\n')
    if (line.size() <= mon::kMaxLineBytes) line += static_cast<char>(c);
  if (c == EOF && line.empty()) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace kv74::mon
