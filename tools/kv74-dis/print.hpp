// The two outputs: a listing (address, words, text) and an assembly source that kv74-as turns
// back into the same image. Both cut the image into pieces the same way: instructions, and
// runs of data printed as `.word` lists or one `.fill`.
#pragma once

#include <cstdint>
#include <string>

#include "tools/kv74-dis/image.hpp"
#include "tools/kv74-dis/names.hpp"

namespace kv74::dis {

struct Range {
  std::uint32_t base = 0;  // address of the image's first word
  std::uint32_t from = 0, to = 0xFFFF;
};

void PrintListing(const Image& image, const Range& range, Names& names);
// Fails (1, with a message) for an image that fits no memory area.
int PrintSource(const Image& image, const Range& range, const std::string& path, Names& names);

}  // namespace kv74::dis
