// Where the tool position lands on the 1024 x 768 plot.
//
// Z runs along the columns, 0 at column 512; X along the rows, 0 at row 384, growing downward. At
// scale 1 a column is 100 units of Z and a row 200 units of X; scale 2 doubles both.
#pragma once

#include <cstdint>

namespace kv74 {

inline constexpr int PLOT_WIDTH = 1024;
inline constexpr int PLOT_HEIGHT = 768;

struct PlotPoint {
  std::int32_t row = 0;     // F
  std::int32_t column = 0;  // L
  friend bool operator==(const PlotPoint&, const PlotPoint&) = default;
};

// Row and column of the position (x, z) at scale k, dividing with truncation toward zero.
PlotPoint MapPosition(std::int32_t x, std::int32_t z, int k);

// Row 0 and column 0 are never drawn, nor anything off the surface.
inline bool IsDrawn(PlotPoint p) {
  return p.row > 0 && p.row < PLOT_HEIGHT && p.column > 0 && p.column < PLOT_WIDTH;
}

inline int NextScale(int k) { return k == 1 ? 2 : 1; }

}  // namespace kv74
