// Debug information files come from users: any bytes either read or give a DebugInfoError,
// and what reads writes back to the same contents.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "debuginfo/debug_info.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv74::dbg;
  DebugInfo info;
  try {
    info = ParseDebugInfo(std::string_view(reinterpret_cast<const char*>(data), size), "/d");
  } catch (const DebugInfoError&) {
    return 0;
  }
  if (ParseDebugInfo(WriteDebugInfo(info), "/d") != info) std::abort();
  for (std::uint32_t a = 0; a < 0x10000; a += 0x101) {
    const auto address = static_cast<std::uint16_t>(a);
    const LineEntry* line = info.LineAt(address);
    if (line && (address < line->address || address >= line->address + line->size)) std::abort();
    if (const auto near = info.NearestLabel(address); near && near->second < 0) std::abort();
    (void)info.IsData(address);
  }
  for (int i = 0; i < static_cast<int>(info.sources.size()); ++i)
    (void)info.AddressesOf(info.sources[static_cast<std::size_t>(i)], 1);
  return 0;
}
