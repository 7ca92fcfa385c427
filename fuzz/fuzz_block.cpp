// Block decoding under arbitrary RAM: the first two bytes pick the first entry, the rest are
// machine records (fuzz/machine_input.hpp). Decoding stops at an end mark or the end of RAM and
// never reads past it; each decoded entry has its text.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "fuzz/machine_input.hpp"
#include "panel/block.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto first = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
  auto m = std::make_unique<kv74::BoardState>();
  kv74::fuzz::LoadMachine(*m, data + 2, size - 2);
  const kv74::BlockText b = kv74::DecodeBlockAt(*m, first);
  const std::uint32_t room = first < kv74::BLOCK_ENTRY_COUNT ? kv74::BLOCK_ENTRY_COUNT - first : 0;
  if (b.entries > room) std::abort();
  if (b.entries > 0 && b.text.empty()) std::abort();
  return 0;
}
