// Writing the assembler's outputs all-or-nothing: every file goes to a temporary name beside
// its target first and is renamed only after all of them were written.
#pragma once

#include <string>
#include <vector>

namespace kv74::as {

struct OutputFile {
  std::string path;
  std::string contents;
};

// False (with `error`) if any file cannot be written; then no target file has been touched.
bool WriteAll(const std::vector<OutputFile>& files, std::string& error);

}  // namespace kv74::as
