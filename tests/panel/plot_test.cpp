#include <gtest/gtest.h>
#include <png.h>

#include <climits>
#include <cstring>

#include "panel/image_canvas.hpp"
#include "panel/plot.hpp"
#include "rig.hpp"

namespace kv74::test {
namespace {

TEST(MapPosition, Figures) {
  struct Case {
    std::int32_t x, z;
    int k;
    PlotPoint p;
    bool drawn;
  } cases[] = {
      {7200, 22000, 1, {420, 732}, true},
      {7200, 22000, 2, {402, 622}, true},
      {-199, 0, 1, {384, 512}, true},
      {199, 0, 1, {384, 512}, true},
      {-200, 0, 1, {383, 512}, true},
      {76799, 0, 1, {767, 512}, true},
      {76800, 0, 1, {768, 512}, false},
      {-76800, 0, 1, {0, 512}, false},
      {-76799, 0, 1, {1, 512}, true},
      {0, 51199, 1, {384, 1023}, true},
      {0, 51200, 1, {384, 1024}, false},
      {0, -51200, 1, {384, 0}, false},
      {0, -51199, 1, {384, 1}, true},
      {153599, 102399, 2, {767, 1023}, true},
      {INT32_MIN, INT32_MIN, 1, {384 - 10737418, 512 - 21474836}, false},
      {INT32_MAX, INT32_MAX, 2, {384 + 5368709, 512 + 10737418}, false},
  };
  for (auto c : cases) {
    PlotPoint p = MapPosition(c.x, c.z, c.k);
    EXPECT_EQ(p, c.p) << c.x << "," << c.z << " k=" << c.k;
    EXPECT_EQ(IsDrawn(p), c.drawn) << c.x << "," << c.z;
  }
}

TEST(UpdatePlot, BlackRingAtThePreviousPointThenWhiteAtTheNew) {
  Rig rig;
  rig.SetPair(cell::POSITION_X_HI, 7200);
  rig.SetPair(cell::POSITION_Z_HI, 22000);
  rig.panel->UpdatePlot();
  EXPECT_EQ(rig.canvas.rings,
            (std::vector<RingCall>{{0, 0, colour::BLACK}, {732, 420, colour::WHITE}}));

  // Off the image: only the black ring; the point is kept and blacked out next time.
  rig.canvas.rings.clear();
  rig.SetPair(cell::POSITION_X_HI, 76800);
  rig.panel->UpdatePlot();
  EXPECT_EQ(rig.canvas.rings, (std::vector<RingCall>{{732, 420, colour::BLACK}}));
  EXPECT_EQ(rig.panel->PreviousPoint(), (PlotPoint{768, 732}));

  rig.canvas.rings.clear();
  rig.SetPair(cell::POSITION_X_HI, 0);
  rig.panel->UpdatePlot();
  EXPECT_EQ(rig.canvas.rings,
            (std::vector<RingCall>{{732, 768, colour::BLACK}, {732, 384, colour::WHITE}}));
}

TEST(UpdatePlot, ScaleChangesTakeEffectAtTheNextUpdate) {
  Rig rig;
  rig.SetPair(cell::POSITION_X_HI, 7200);
  rig.SetPair(cell::POSITION_Z_HI, 22000);
  rig.panel->UpdatePlot();
  rig.panel->mashClick();
  EXPECT_EQ(rig.panel->ScaleFactor(), 2);
  EXPECT_EQ(rig.canvas.rings.size(), 2u);  // nothing redrawn
  rig.panel->UpdatePlot();
  EXPECT_EQ(rig.canvas.rings[2], (RingCall{732, 420, colour::BLACK}));
  EXPECT_EQ(rig.canvas.rings[3], (RingCall{622, 402, colour::WHITE}));
  rig.panel->mashClick();
  EXPECT_EQ(rig.panel->ScaleFactor(), 1);
}

TEST(UpdatePlot, ClearLeavesScaleAndPreviousPoint) {
  Rig rig;
  rig.SetPair(cell::POSITION_X_HI, 7200);
  rig.panel->mashClick();
  rig.panel->UpdatePlot();
  rig.panel->cleaClick();
  EXPECT_EQ(rig.canvas.clears, 1);
  EXPECT_EQ(rig.panel->ScaleFactor(), 2);
  EXPECT_EQ(rig.panel->PreviousPoint(), (PlotPoint{402, 512}));
}

TEST(ImageCanvas, RingPixels) {
  ImageCanvas canvas;
  canvas.SetPixel(9, 19, 0x123456);  // a corner of the ring's box keeps its colour
  canvas.SetPixel(10, 20, 0x123456);
  canvas.Ring(10, 20, colour::WHITE);
  EXPECT_EQ(canvas.Pixel(10, 19), colour::WHITE);
  EXPECT_EQ(canvas.Pixel(9, 20), colour::WHITE);
  EXPECT_EQ(canvas.Pixel(11, 20), colour::WHITE);
  EXPECT_EQ(canvas.Pixel(10, 21), colour::WHITE);
  EXPECT_EQ(canvas.Pixel(10, 20), colour::BUTTON_FACE);
  EXPECT_EQ(canvas.Pixel(9, 19), 0x123456u);
  EXPECT_EQ(canvas.Pixel(11, 21), colour::BUTTON_FACE);
  canvas.Ring(10, 20, colour::BLACK);  // a black ring covers the white one
  EXPECT_EQ(canvas.Pixel(10, 19), colour::BLACK);
  EXPECT_EQ(canvas.Pixel(10, 21), colour::BLACK);
  canvas.Clear();
  EXPECT_EQ(canvas.Pixel(10, 19), colour::BUTTON_FACE);
  EXPECT_EQ(canvas.Pixel(9, 19), colour::BUTTON_FACE);
}

TEST(ImageCanvas, RingsAreClippedAtAnyDistance) {
  ImageCanvas canvas;
  const std::vector<std::uint8_t> blank = canvas.Rgb();
  for (auto [c, r] : std::vector<std::pair<int, int>>{
           {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {-2, 5}, {1024 + 1, 5}, {5, 768 + 1}}) {
    canvas.Ring(c, r, colour::BLACK);
  }
  EXPECT_EQ(canvas.Rgb(), blank);
  canvas.Ring(0, 0, colour::BLACK);  // the first update's black ring at the top-left corner
  EXPECT_EQ(canvas.Pixel(1, 0), colour::BLACK);
  EXPECT_EQ(canvas.Pixel(0, 1), colour::BLACK);
  EXPECT_EQ(canvas.Pixel(0, 0), colour::BUTTON_FACE);
  canvas.Ring(1024, 767, colour::WHITE);
  EXPECT_EQ(canvas.Pixel(1023, 767), colour::WHITE);
}

TEST(ImageCanvas, SavePngRoundTrip) {
  ScratchDir dir;
  ImageCanvas canvas;
  canvas.Ring(732, 420, colour::WHITE);
  canvas.SetPixel(3, 4, 0x00FF8040);  // R 0x40, G 0x80, B 0xFF
  const auto path = dir.Path() / "plot.png";
  std::string error;
  ASSERT_TRUE(canvas.SavePng(path, &error)) << error;

  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  ASSERT_NE(png_image_begin_read_from_file(&image, path.c_str()), 0);
  EXPECT_EQ(image.width, 1024u);
  EXPECT_EQ(image.height, 768u);
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  ASSERT_NE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr), 0);
  EXPECT_EQ(pixels, canvas.Rgb());
  const std::size_t at = (4 * 1024 + 3) * 3;
  EXPECT_EQ(pixels[at], 0x40);
  EXPECT_EQ(pixels[at + 2], 0xFF);

  EXPECT_FALSE(canvas.SavePng(dir.Path() / "missing" / "plot.png", &error));
  EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

}  // namespace
}  // namespace kv74::test
