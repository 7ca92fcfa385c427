// kv74-dis's command-line parser, reached by the options fuzzer.
#include <cstdlib>
#include <string>
#include <vector>

#define main kv74_dis_main
#include "tools/kv74-dis/main.cpp"
#undef main

int FuzzDisOptions(std::vector<std::string> args) {
  std::vector<char*> argv{const_cast<char*>("kv74-dis")};
  for (std::string& a : args) argv.push_back(a.data());
  CommandLine cl;
  const int status = Parse(static_cast<int>(argv.size()), argv.data(), cl);
  if (status < 0 && (cl.range.from > cl.range.to || cl.range.to > 0xFFFF || cl.range.base > 0xFFFF))
    std::abort();
  return status;
}
