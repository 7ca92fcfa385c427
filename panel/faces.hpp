// The pictures of the panel's keys and its two decorations as vector data: layers of SVG path
// data (absolute M, L, C and Z only) with their colours, and centred text. The Qt window paints
// them with QPainter, the web page as inline SVG; both draw the layers in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "panel/controls.hpp"

namespace kv74 {

inline constexpr std::uint32_t NO_COLOUR = 0xFFFFFFFF;

struct FaceLayer {
  std::string path;                  // empty for a text layer
  std::uint32_t fill = NO_COLOUR;    // 0x00BBGGRR; filled by the even-odd rule
  std::uint32_t stroke = NO_COLOUR;  // 0x00BBGGRR
  double width = 0;                  // of the stroke: butt caps, round joins unless miter
  bool miter = false;
  // A text layer: `text` in `fill`, centred in the box, in the panel's sans font.
  std::string text;
  double x = 0, y = 0, w = 0, h = 0;
  int pixels = 0;
  bool bold = false;
};

// Drawn into a box of width x height units, scaled to the size the control gives it.
struct Face {
  double width = 0, height = 0;
  std::vector<FaceLayer> layers;
};

// The face of a picture; KeyPicture::None has no layers.
const Face& FaceOf(KeyPicture picture);

// The name of a picture as the description writes it ("Zigzag", "ArrowUp", ...).
std::string_view PictureName(KeyPicture picture);

// The pictures FaceOf draws, None excluded.
std::vector<KeyPicture> AllPictures();

// One parsed command of a face path: 'M' and 'L' with one point, 'C' with three, 'Z' with none.
struct PathCommand {
  char op;
  double p[6];
};

// Parses the path data FaceOf writes; throws std::invalid_argument on anything else.
std::vector<PathCommand> ParseFacePath(std::string_view data);

}  // namespace kv74
