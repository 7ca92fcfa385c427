// The data images: raw little-endian word sequences with no header, found by name (without regard
// to case) in an image directory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "board/machine.hpp"

namespace kv74 {

class ImageError : public std::runtime_error {
 public:
  enum class Kind { NotFound, Unreadable };
  ImageError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

// The directory used when none is given: data/ beside the executable, else the nearest data/
// holding a "V4" image on the way up from it, else the source tree's data/.
std::filesystem::path DefaultImageDir();

// The file in dir whose name equals name without regard to case; an exact match wins, then the
// first in name order. Throws ImageError: NotFound with "Resource <name> not found", Unreadable
// when dir cannot be listed.
std::filesystem::path FindImage(const std::filesystem::path& dir, std::string_view name);

// One line per image that is empty, shorter or longer than its area, naming the file, its size
// and the area's size. Such images are still loaded.
using ImageWarnings = std::vector<std::string>;

// Copies the image's bytes into area from its start, low byte first: at most the area's size, no
// more than the image holds. Bytes beyond the image keep their contents. Only a regular file is
// read (ImageError Unreadable otherwise).
ImageWarnings LoadImage(const std::filesystem::path& dir, std::string_view name,
                        std::span<std::uint16_t> area);

// The three images of a start: "v4" into ProgramMemory, "amt" into TableMemory, "ram" into
// DataMemory. All three are read before any is copied, so a failure leaves m untouched.
ImageWarnings LoadImages(BoardState& m, const std::filesystem::path& dir);

}  // namespace kv74
