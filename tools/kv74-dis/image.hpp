// An image file as words, and the instruction at one of its words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/read_file.hpp"
#include "cpu/disasm.hpp"

namespace kv74::dis {

struct Image {
  std::vector<std::uint16_t> words;
  bool oddByte = false;  // the last word has only its low byte in the file
  std::size_t bytes = 0;
};

// The whole address space: no image can be longer.
inline constexpr std::uintmax_t kMaxImageBytes = input_limit::kImage;

// A regular file of at most kMaxImageBytes; nullopt with error set (the system's reason) else.
std::optional<Image> Load(const std::string& path, std::string& error);

// The instruction at index i: a `.word` where a two-word form has no second word in the
// image or the last word is only half there.
Disassembly At(const Image& image, std::size_t i, std::uint32_t address);

}  // namespace kv74::dis
