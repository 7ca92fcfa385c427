#include "panel/block.hpp"

#include "panel/cells.hpp"

namespace kv74 {
namespace {

std::uint32_t Number24(std::uint16_t hi, std::uint16_t lo) {
  return (std::uint32_t{hi & 0xFFu} << 16) | lo;
}

constexpr const char* kLetters[] = {nullptr, " X ", " Z ", " G ", " M ",
                                    " S ",   " T ", " P ", " F "};

}  // namespace

std::int32_t EntryValue(std::uint16_t hi, std::uint16_t lo) {
  std::int32_t v = static_cast<std::int32_t>(Number24(hi, lo));
  return (v & 0x800000) != 0 ? v - 0x1000000 : v;
}

std::int32_t EntryDecimal(std::uint16_t hi, std::uint16_t lo) {
  std::uint32_t v = Number24(hi, lo);
  std::int32_t sum = 0;
  for (int shift = 20; shift >= 0; shift -= 4)
    sum = sum * 10 + static_cast<std::int32_t>((v >> shift) & 0xF);
  return sum;
}

std::string EntryText(std::uint16_t hi, std::uint16_t lo) {
  std::string text = (hi & entry::END) != 0 ? " " : " *";
  unsigned type = EntryType(hi);
  if (type == 0 || type > 8) return text;
  text += kLetters[type];
  if (type <= 2) {
    std::uint16_t pair = hi & entry::FLAG_PAIR;
    if (pair == entry::FLAG_PAIR)
      text += "w ";
    else if (pair == entry::PLUS)
      text += "+\\ ";
    else if (pair == entry::MINUS)
      text += "-/ ";
    if ((hi & entry::L_FLAG) != 0) text += "L ";
  }
  bool decimal = type >= 3 && type <= 6;
  text += std::to_string(decimal ? EntryDecimal(hi, lo) : EntryValue(hi, lo));
  return text;
}

BlockText DecodeBlockAt(const BoardState& m, std::uint16_t first) {
  BlockText out;
  for (std::uint32_t i = first; i < BLOCK_ENTRY_COUNT; ++i) {
    std::uint32_t address = cell::BLOCK_TABLE + 2 * i;
    std::uint16_t hi = DataWord(m, address);
    std::uint16_t lo = DataWord(m, address + 1);
    out.text += EntryText(hi, lo);
    ++out.entries;
    if ((hi & entry::END) != 0) {
      out.complete = true;
      break;
    }
  }
  return out;
}

}  // namespace kv74
