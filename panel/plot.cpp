#include "panel/plot.hpp"

namespace kv74 {

PlotPoint MapPosition(std::int32_t x, std::int32_t z, int k) {
  // 64-bit quotients: no overflow for any scale, INT32_MIN included; the results fit 32 bits.
  std::int64_t scale = k < 1 ? 1 : k;
  std::int64_t row = std::int64_t{x} / (scale * 200) + 384;
  std::int64_t column = std::int64_t{z} / (scale * 100) + 512;
  return {static_cast<std::int32_t>(row), static_cast<std::int32_t>(column)};
}

}  // namespace kv74
