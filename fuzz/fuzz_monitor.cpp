// The monitor's command language under random input: every line parses into a command or
// fails with a ParseError whose column lies within the line; every expression parsed evaluates
// to a value or an EvalError, never a crash, and a constant evaluates the same without a machine.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "monitor/command.hpp"

namespace {

using namespace kv74;
using namespace kv74::mon;

void Check(bool ok) {
  if (!ok) std::abort();
}

void Evaluate(const Expr& e, const Machine& machine) {
  try {
    const std::int64_t v = e.Evaluate(machine);
    if (e.IsConstant()) Check(e.EvaluateConstant() == v);
  } catch (const EvalError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto state = [] {
    auto m = std::make_unique<BoardState>();
    for (std::size_t i = 0; i < m->DataMemory.size(); ++i) {
      m->DataMemory[i] = static_cast<std::uint16_t>(i * 0x9E37u);
    }
    return m;
  }();
  const Machine machine{*state, 12345};
  ParseContext ctx;
  ctx.symbols = [](std::string_view name) -> std::optional<std::int64_t> {
    if (name.size() == 3) return static_cast<std::int64_t>(name[0]) << 8 | name[2];
    return std::nullopt;
  };
  ctx.lines = [](std::string_view file, int line) -> std::optional<std::vector<std::uint16_t>> {
    if (file.empty()) return std::nullopt;
    return std::vector<std::uint16_t>(static_cast<std::size_t>(line % 3),
                                      static_cast<std::uint16_t>(line));
  };
  ctx.clickable = [](std::string_view name) { return name.starts_with("k"); };

  const std::string text(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t eol = text.find('\n', start);
    if (eol == std::string::npos) eol = text.size();
    const std::string line = text.substr(start, eol - start);
    start = eol + 1;
    try {
      const auto cmd = ParseCommand(line, ctx);
      if (!cmd) continue;
      for (const auto* e : {&cmd->condition, &cmd->value, &cmd->address}) {
        if (*e) Evaluate(**e, machine);
      }
      if (cmd->address && cmd->verb == Verb::Set) Check(cmd->address->IsStorable());
      Check(cmd->rangeFirst <= cmd->rangeLast || cmd->verb != Verb::Watch);
    } catch (const ParseError& e) {
      Check(e.column <= line.size());
    }
  }
  return 0;
}
