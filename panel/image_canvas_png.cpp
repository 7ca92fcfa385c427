// The plot picture as a PNG file: the one part of the canvas that needs libpng.
#include <png.h>

#include <cstring>

#include "panel/image_canvas.hpp"

namespace kv74 {
namespace {

// libpng's description of the plot picture.
png_image RgbImage() {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = PLOT_WIDTH;
  image.height = PLOT_HEIGHT;
  image.format = PNG_FORMAT_RGB;
  return image;
}

}  // namespace

bool ImageCanvas::SavePng(std::FILE* file, std::string* error) const {
  png_image image = RgbImage();
  const int ok = png_image_write_to_stdio(&image, file, 0, rgb_.data(), 0, nullptr);
  if (ok == 0 && error != nullptr) *error = image.message;
  png_image_free(&image);
  return ok != 0;
}

bool ImageCanvas::SavePng(const std::filesystem::path& path, std::string* error) const {
  png_image image = RgbImage();
  const int ok = png_image_write_to_file(&image, path.c_str(), 0, rgb_.data(), 0, nullptr);
  if (ok == 0 && error != nullptr) {
    *error = "cannot write " + path.string() + ": " + image.message;
  }
  png_image_free(&image);
  return ok != 0;
}

}  // namespace kv74
