#include "panel/image_canvas.hpp"

namespace kv74 {
namespace {

constexpr std::size_t kBytes = std::size_t{PLOT_WIDTH} * PLOT_HEIGHT * 3;

bool OnSurface(int column, int row) {
  return column >= 0 && column < PLOT_WIDTH && row >= 0 && row < PLOT_HEIGHT;
}

std::size_t Offset(int column, int row) {
  return (static_cast<std::size_t>(row) * PLOT_WIDTH + static_cast<std::size_t>(column)) * 3;
}

}  // namespace

ImageCanvas::ImageCanvas() : rgb_(kBytes) { Clear(); }

void ImageCanvas::Clear() {
  for (int row = 0; row < PLOT_HEIGHT; ++row) {
    for (int column = 0; column < PLOT_WIDTH; ++column) SetPixel(column, row, colour::BUTTON_FACE);
  }
}

void ImageCanvas::Ring(int column, int row, std::uint32_t pen) {
  // The points may lie anywhere in 32 bits; work in 64 bits so the neighbours cannot overflow.
  const std::int64_t c = column;
  const std::int64_t r = row;
  auto put = [this](std::int64_t x, std::int64_t y, std::uint32_t bgr) {
    if (x < 0 || x >= PLOT_WIDTH || y < 0 || y >= PLOT_HEIGHT) return;
    SetPixel(static_cast<int>(x), static_cast<int>(y), bgr);
  };
  put(c, r - 1, pen);
  put(c - 1, r, pen);
  put(c + 1, r, pen);
  put(c, r + 1, pen);
  put(c, r, colour::BUTTON_FACE);
}

std::uint32_t ImageCanvas::Pixel(int column, int row) const {
  if (!OnSurface(column, row)) return colour::BUTTON_FACE;
  const std::uint8_t* p = &rgb_[Offset(column, row)];
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
}

void ImageCanvas::SetPixel(int column, int row, std::uint32_t bgr) {
  if (!OnSurface(column, row)) return;
  std::uint8_t* p = &rgb_[Offset(column, row)];
  p[0] = static_cast<std::uint8_t>(bgr & 0xFF);
  p[1] = static_cast<std::uint8_t>((bgr >> 8) & 0xFF);
  p[2] = static_cast<std::uint8_t>((bgr >> 16) & 0xFF);
}

}  // namespace kv74
