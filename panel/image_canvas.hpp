// The plot surface as a 1024 x 768 RGB picture in memory, for the headless runner.
//
// A ring is the 3 x 3 ellipse around (column, row): the four pixels beside the centre (above,
// below, left, right) in the pen colour and the centre in the button face; the four corners of
// the box lie outside the ellipse and keep what they had. A ring drawn over another at the same
// point therefore covers it completely. Pixels off the surface are skipped.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "panel/plot.hpp"
#include "panel/surface.hpp"

namespace kv74 {

class ImageCanvas final : public PlotCanvas {
 public:
  ImageCanvas();  // starts cleared to the button face

  void Clear() override;
  void Ring(int column, int row, std::uint32_t pen) override;

  // 0x00BBGGRR colour of a pixel; the button face for points off the surface.
  std::uint32_t Pixel(int column, int row) const;
  void SetPixel(int column, int row, std::uint32_t bgr);

  // Writes the picture as an 8-bit RGB PNG. On failure returns false and sets *error.
  bool SavePng(const std::filesystem::path& path, std::string* error = nullptr) const;
  // The same picture into an open stream (libpng leaves the stream's file in place on failure).
  bool SavePng(std::FILE* file, std::string* error = nullptr) const;

  const std::vector<std::uint8_t>& Rgb() const { return rgb_; }
  // A picture of the same size, e.g. from a saved panel state.
  void SetRgb(std::vector<std::uint8_t> rgb) {
    if (rgb.size() == rgb_.size()) rgb_ = std::move(rgb);
  }

 private:
  std::vector<std::uint8_t> rgb_;  // row-major, 3 bytes per pixel
};

}  // namespace kv74
