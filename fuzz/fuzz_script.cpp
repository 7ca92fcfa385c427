// The runner's input script parser under arbitrary text: it returns clicks or throws a UsageError
// naming a line, and what it returns holds clickable names in step order on rising lines.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "options.hpp"
#include "panel/click.hpp"
#include "script.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const auto clicks =
        kv74::ParseScript(text, "fuzz", [](std::string_view n) { return kv74::IsClickable(n); });
    for (std::size_t i = 0; i < clicks.size(); ++i) {
      if (!kv74::IsClickable(clicks[i].name)) std::abort();
      if (i > 0 && (clicks[i].step < clicks[i - 1].step || clicks[i].line <= clicks[i - 1].line))
        std::abort();
    }
  } catch (const kv74::UsageError& e) {
    if (std::string_view(e.what()).substr(0, 5) != "fuzz:") std::abort();
  }
  return 0;
}
