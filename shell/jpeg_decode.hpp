// Decoding of one in-memory JPEG stream with libjpeg, without ever ending the program: libjpeg's
// own error handler calls exit(), so decode errors are caught and returned instead.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kv74::shell {

struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // row-major, 3 bytes per pixel
};

// Decodes a baseline or progressive JFIF stream to 8-bit RGB. On failure returns false and sets
// *error to libjpeg's message.
bool DecodeJpeg(std::span<const std::uint8_t> data, RgbPicture* out, std::string* error);

}  // namespace kv74::shell
