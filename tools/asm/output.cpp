#include "tools/asm/output.hpp"

#include "tools/common/output.hpp"

namespace kv74::as {

bool WriteAll(const std::vector<OutputFile>& files, std::string& error) {
  fileio::Transaction all;
  std::vector<fileio::Output*> outputs;
  for (const OutputFile& f : files) outputs.push_back(&all.Add("", f.path));
  if (!all.OpenAll(error)) return false;
  for (std::size_t i = 0; i < files.size(); ++i) outputs[i]->Write(files[i].contents);
  return all.CommitAll(error);
}

}  // namespace kv74::as
