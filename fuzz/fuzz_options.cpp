// The command-line parsers of kv74-run, kv74-as and kv74-dis under arbitrary arguments (the input
// split at NUL bytes; the first byte picks the tool). Each accepts or refuses cleanly; what
// kv74-run accepts keeps its documented rules.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "options.hpp"

int FuzzAsOptions(std::vector<std::string> args);
int FuzzDisOptions(std::vector<std::string> args);

namespace {

void CheckRunOptions(const std::vector<std::string>& args) {
  try {
    const kv74::RunOptions o = kv74::ParseOptions(args);
    if (o.stateJson == "-" && o.trace == "-") std::abort();
    if (o.traceLimit && (!o.trace || *o.traceLimit == 0)) std::abort();
    if (o.untilPc && !o.steps && o.StepLimit() != UINT64_MAX) std::abort();
  } catch (const kv74::UsageError&) {
  }
}

// The parsers of kv74-as and kv74-dis print their usage text; it goes to /dev/null.
template <typename F>
int Quietly(F f) {
  static const int null = ::open("/dev/null", O_WRONLY);
  const int out = ::dup(1), err = ::dup(2);
  ::dup2(null, 1);
  ::dup2(null, 2);
  const int status = f();
  std::fflush(stdout);
  std::fflush(stderr);
  ::dup2(out, 1);
  ::dup2(err, 2);
  ::close(out);
  ::close(err);
  return status;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<std::string> args(1);
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back() += static_cast<char>(data[i]);
    }
  }
  switch (data[0] % 3) {
    case 0: CheckRunOptions(args); break;
    case 1: Quietly([&] { return FuzzAsOptions(args); }); break;
    default: Quietly([&] { return FuzzDisOptions(args); }); break;
  }
  return 0;
}
