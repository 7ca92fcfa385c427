// The panel's one description: the table's consistency, the faces' geometry and the JSON the web
// page builds the panel from.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <stdexcept>

#include "panel/appearance.hpp"
#include "panel/controls.hpp"
#include "panel/description.hpp"
#include "panel/faces.hpp"

namespace kv74 {
namespace {

TEST(Description, NamesOnceParentsFirstAndEveryBoxInsideItsParent) {
  std::set<std::string_view> seen;
  bool controls = false;
  for (const ControlInfo& item : PanelItems()) {
    EXPECT_TRUE(seen.insert(item.name).second) << item.name;
    controls = controls || !IsContainer(item.kind);
    EXPECT_EQ(controls, !IsContainer(item.kind)) << "a container among the controls: " << item.name;
    const Place& at = item.place;
    int w = PANEL_WIDTH, h = PANEL_HEIGHT;
    if (!at.parent.empty()) {
      const ControlInfo* parent = FindPanelItem(at.parent);
      ASSERT_NE(parent, nullptr) << item.name;
      EXPECT_TRUE(IsContainer(parent->kind) || parent->kind == ControlKind::FrameLamp) << item.name;
      if (IsContainer(item.kind)) {
        EXPECT_TRUE(seen.count(at.parent)) << item.name;
      }
      w = parent->place.w;
      h = parent->place.h;
    }
    EXPECT_TRUE(at.x >= 0 && at.y >= 0 && at.x + at.w <= w && at.y + at.h <= h) << item.name;
  }
  EXPECT_EQ(FindControlInfo("PU"), nullptr);
  EXPECT_NE(FindPanelItem("PU"), nullptr);
}

// Snapshots list the controls in the table's order: it must not change.
TEST(Description, ControlsKeepTheirSnapshotOrder) {
  const std::map<std::size_t, std::string_view> at{
      {0, "k0x09"},  {41, "k0x3E"},   {42, "k0x78"},   {46, "uskor"},  {47, "al14"},
      {60, "al41"},  {61, "v2_0"},    {74, "v2_14"},   {75, "v1_1"},   {89, "v1_15"},
      {90, "ko0"},   {106, "ki0"},    {121, "ki15"},   {122, "n"},     {129, "x"},
      {130, "clea"}, {133, "Kabout"}, {134, "Label6"}, {143, "Label3"}};
  const auto controls = PanelControls();
  ASSERT_EQ(controls.size(), 144u);
  for (const auto& [index, name] : at) EXPECT_EQ(controls[index].name, name) << index;
}

TEST(Description, TextStylesFollowTheWindow) {
  struct Case {
    std::string_view name;
    int pixels;
    bool bold;
    Align align;
  } cases[] = {
      {"k0x3E", 35, true, Align::Centre},      {"k0x23", 16, true, Align::Centre},
      {"k0x13", 21, true, Align::Centre},      {"mash", 11, true, Align::Centre},
      {"Kabout", 11, false, Align::Centre},    {"v2_0", 16, true, Align::Centre},
      {"kom", 16, true, Align::Left},          {"n", 16, true, Align::Centre},
      {"Label18", 24, true, Align::Centre},    {"Label7", 11, true, Align::Left},
      {"Label6", 11, true, Align::Centre},     {"ko3", 11, false, Align::Centre},
      {"GroupBox7", 11, false, Align::Centre}, {"Podacha", 11, true, Align::Centre},
  };
  for (const Case& c : cases) {
    const TextStyle s = TextStyleOf(*FindPanelItem(c.name));
    EXPECT_EQ(s.pixels, c.pixels) << c.name;
    EXPECT_EQ(s.bold, c.bold) << c.name;
    EXPECT_EQ(s.align, c.align) << c.name;
  }
}

struct Bounds {
  double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
  void Add(double x, double y) {
    left = std::min(left, x), right = std::max(right, x);
    top = std::min(top, y), bottom = std::max(bottom, y);
  }
};

Bounds PathBounds(const std::string& d) {
  Bounds b;
  for (const PathCommand& c : ParseFacePath(d)) {
    const int points = c.op == 'C' ? 3 : c.op == 'Z' ? 0 : 1;
    for (int i = 0; i < points; ++i) b.Add(c.p[2 * i], c.p[2 * i + 1]);
  }
  return b;
}

TEST(Faces, EveryPictureParsesAndStaysInItsBox) {
  std::set<std::string_view> names;
  for (KeyPicture picture : AllPictures()) {
    const Face& face = FaceOf(picture);
    EXPECT_TRUE(names.insert(PictureName(picture)).second) << PictureName(picture);
    ASSERT_FALSE(face.layers.empty()) << PictureName(picture);
    for (const FaceLayer& l : face.layers) {
      if (!l.text.empty()) {
        EXPECT_LE(l.x + l.w, face.width) << PictureName(picture);
        continue;
      }
      EXPECT_TRUE(l.fill != NO_COLOUR || (l.stroke != NO_COLOUR && l.width > 0));
      const Bounds b = PathBounds(l.path);
      EXPECT_TRUE(b.left >= 0 && b.top >= 0 && b.right <= face.width && b.bottom <= face.height)
          << PictureName(picture) << " " << l.path;
    }
  }
  EXPECT_TRUE(FaceOf(KeyPicture::None).layers.empty());
  EXPECT_EQ(FaceOf(KeyPicture::DigitPictograms).width, FindPanelItem("digitPictograms")->place.w);
}

bool Near(double a, double b) { return std::fabs(a - b) < 0.01; }

// The first point of a layer's path, and its colours: where the turned and computed shapes start.
TEST(Faces, ShapesStartWhereTheirGeometrySays) {
  struct Case {
    KeyPicture picture;
    std::size_t layer;
    double x, y;
    std::uint32_t fill, stroke;
  } cases[] = {
      {KeyPicture::ArrowUp, 0, 16, 3, 0x800000, 0},      // the tip, before any turn
      {KeyPicture::ArrowRight, 0, 29, 16, 0x800000, 0},  // turned clockwise
      {KeyPicture::ArrowDown, 0, 16, 29, 0x800000, 0},
      {KeyPicture::ArrowLeft, 0, 3, 16, 0x800000, 0},
      {KeyPicture::ThreeSpokes, 0, 29, 16, NO_COLOUR, 0},    // the rim, from its right
      {KeyPicture::ThreeSpokes, 2, 16, 12.5, NO_COLOUR, 0},  // the upper spoke leaves the hub
      // The arcs start at 100 and 280 degrees; heads at their ends, 240 and 60 degrees.
      {KeyPicture::CircularArrows, 0, 14.09, 5.167, NO_COLOUR, 0x008000},
      {KeyPicture::CircularArrows, 1, 10.5, 25.526, 0x008000, NO_COLOUR},
      {KeyPicture::CircularArrows, 3, 21.5, 6.474, 0x008000, NO_COLOUR},
      {KeyPicture::CircleTriangle, 1, 8.5, 11, 0x0000C0, NO_COLOUR},
      // A line stops short of its head by 0.8 of the head's length.
      {KeyPicture::VerticalArrows, 0, 16, 6.8, NO_COLOUR, 0},
  };
  for (const Case& c : cases) {
    const Face& face = FaceOf(c.picture);
    ASSERT_LT(c.layer, face.layers.size()) << PictureName(c.picture);
    const FaceLayer& l = face.layers[c.layer];
    const auto commands = ParseFacePath(l.path);
    EXPECT_TRUE(Near(commands[0].p[0], c.x) && Near(commands[0].p[1], c.y))
        << PictureName(c.picture) << " " << c.layer << ": " << l.path;
    EXPECT_EQ(l.fill, c.fill) << PictureName(c.picture) << " " << c.layer;
    EXPECT_EQ(l.stroke, c.stroke) << PictureName(c.picture) << " " << c.layer;
  }
}

TEST(Faces, PathParserTakesWhatFacesWriteAndNothingElse) {
  struct Case {
    std::string_view data;
    std::size_t commands;  // 0: refused
  } cases[] = {
      {"M1 2 L3 4 Z", 3},
      {"M-1.5 0.25 C1 2 3 4 5 6", 2},
      {"", 0},
      {"L1 2", 0},  // no starting point
      {"M1 2 Q3 4 5 6", 0},
      {"M1", 0},
      {"M1 2 L3", 0},
      {"m1 2", 0},
  };
  for (const Case& c : cases) {
    if (c.commands == 0 && !c.data.empty()) {
      EXPECT_THROW(ParseFacePath(c.data), std::invalid_argument) << c.data;
    } else {
      EXPECT_EQ(ParseFacePath(c.data).size(), c.commands) << c.data;
    }
  }
  const auto curve = ParseFacePath("M0 0 C1 2 3 4 5 6");
  EXPECT_EQ(curve[1].op, 'C');
  EXPECT_EQ(curve[1].p[5], 6);
}

// The JSON object of an item, up to the next item.
std::string ItemJson(const std::string& json, std::string_view name) {
  const std::string key = "{\"name\":\"" + std::string(name) + "\",";
  const std::size_t at = json.find(key);
  if (at == std::string::npos) return {};
  return json.substr(at, json.find(",{\"name\":", at + 1) - at);
}

TEST(DescriptionJson, ItemsCarryWhatTheirKindNeeds) {
  const std::string json = PanelDescriptionJson();
  struct Case {
    std::string_view name, has, lacks;
  } cases[] = {
      {"PU", "\"parent\":\"\",\"kind\":\"GroupBox\",\"x\":0,\"y\":0,\"w\":652,\"h\":296",
       "\"code\""},
      {"k0x2E",
       "\"clickable\":true,\"code\":46,\"frame\":\"v1_9\",\"face\":\"AxesDot\",\"faceSize\":25",
       "\"colour\""},
      {"k0x09", "\"parent\":\"Panel2\",\"kind\":\"Key\",\"x\":71,\"y\":5,\"w\":30,\"h\":30",
       "\"face\""},
      {"k0x7a", "\"kind\":\"JogToggle\"", "\"frame\""},
      {"uskor", "\"kind\":\"Toggle\"", "\"code\""},
      {"ko3", "\"colour\":12632256", "\"clickable\":true"},
      {"ko3", "\"number\":3", "\"hidden\""},
      {"ki15", "\"clickable\":true,\"number\":15", "\"code\""},
      {"v1_1", "\"colour\":8421504", "\"number\""},
      {"kom", "\"caption\":\"kkk\",\"font\":{\"pixels\":16,\"bold\":true,\"align\":\"left\"}",
       "\"colour\""},
      {"Button1", "\"hidden\":true", "\"clickable\":true"},
      {"clea", "\"clickable\":true,\"face\":\"CircularArrows\",\"faceSize\":32", "\"code\""},
      {"kadrPicture", "\"kind\":\"Picture\"", "\"faceSize\""},
      {"Kabout", "\"clickable\":false", "\"hidden\""},
      {"v2_0", "\"caption\":\"Б\"", "\"number\""},
  };
  for (const Case& c : cases) {
    const std::string item = ItemJson(json, c.name);
    ASSERT_FALSE(item.empty()) << c.name;
    EXPECT_NE(item.find(c.has), std::string::npos) << item;
    EXPECT_EQ(item.find(c.lacks), std::string::npos) << item;
  }
  // Every item once, in the table's order.
  std::size_t from = 0;
  for (const ControlInfo& item : PanelItems()) {
    const std::size_t at = json.find("{\"name\":\"" + std::string(item.name) + "\",", from);
    ASSERT_NE(at, std::string::npos) << item.name;
    from = at + 1;
  }
}

TEST(DescriptionJson, FacesAndColoursAreReadyForTheBrowser) {
  const std::string json = PanelDescriptionJson();
  for (std::string_view has : {
           "\"width\":714,\"height\":368,\"maxWidth\":790,\"maxHeight\":580",
           "\"segmentLit\":6356800",  // 0x60FF40
           "\"ArrowUp\":{\"width\":32,\"height\":32,\"layers\":[{\"d\":\"M16 3 L28 15",
           "\"fill\":\"#000080\",\"stroke\":\"#000000\",\"width\":1,\"join\":\"round\"",  // navy
           "\"ChevronP\":{\"width\":32,\"height\":32,\"layers\":[{\"d\":\"M7 2 L28 16 L7 30\","
           "\"fill\":\"none\",\"stroke\":\"#000000\",\"width\":3,\"join\":\"miter\"},{\"text\":"
           "\"P\",\"x\":5,\"y\":8,\"w\":16,\"h\":16,\"pixels\":15,\"bold\":true,\"fill\":"
           "\"#c00000\"}",
           "\"KadrPicture\":{\"width\":40,\"height\":52,",
           "\"DigitPictograms\":{\"width\":222,\"height\":12,\"layers\":[{\"text\":\"±\"",
       }) {
    EXPECT_NE(json.find(has), std::string::npos) << has;
  }
  EXPECT_EQ(json.find("\"None\":"), std::string::npos);
  std::set<std::string_view> kinds;
  for (int k = 0; k <= static_cast<int>(ControlKind::Picture); ++k)
    EXPECT_TRUE(kinds.insert(ControlKindName(static_cast<ControlKind>(k))).second) << k;
  EXPECT_EQ(ControlKindName(ControlKind::InputLamp), "InputLamp");
  EXPECT_EQ(ControlKindName(ControlKind::Picture), "Picture");
}

}  // namespace
}  // namespace kv74
