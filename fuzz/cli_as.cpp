// kv74-as's command-line parser, reached by the options fuzzer.
#include <string>
#include <vector>

#define main kv74_as_main
#include "tools/kv74-as/main.cpp"
#undef main

int FuzzAsOptions(std::vector<std::string> args) {
  std::vector<char*> argv{const_cast<char*>("kv74-as")};
  for (std::string& a : args) argv.push_back(a.data());
  CommandLine cl;
  const int status = Parse(static_cast<int>(argv.size()), argv.data(), cl);
  return status >= 0 ? status : CheckOutputsDiffer(cl);
}
