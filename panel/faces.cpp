#include "panel/faces.hpp"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace kv74 {
namespace {

using P = KeyPicture;

// 0x00BBGGRR
constexpr std::uint32_t kInk = 0x000000;
constexpr std::uint32_t kNavy = 0x800000;
constexpr std::uint32_t kRed = 0x0000C0;
constexpr std::uint32_t kGreen = 0x008000;
constexpr std::uint32_t kHand = 0xC0FFFF;

constexpr double kPi = 3.14159265358979323846;
constexpr double kEllipseKappa = 0.5522847498;

double Radians(double deg) { return deg * kPi / 180; }

struct Pt {
  double x, y;
};
Pt operator+(Pt a, Pt b) { return {a.x + b.x, a.y + b.y}; }
Pt operator-(Pt a, Pt b) { return {a.x - b.x, a.y - b.y}; }
Pt operator*(Pt a, double k) { return {a.x * k, a.y * k}; }

// Three decimals at most, no trailing zeros, no "-0".
std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

class PathData {
 public:
  PathData& M(Pt p) { return Op('M', {p}); }
  PathData& L(Pt p) { return Op('L', {p}); }
  PathData& C(Pt a, Pt b, Pt c) { return Op('C', {a, b, c}); }
  PathData& Z() {
    d_ += d_.empty() ? "Z" : " Z";
    return *this;
  }
  std::string Take() { return std::move(d_); }

 private:
  PathData& Op(char op, std::initializer_list<Pt> pts) {
    if (!d_.empty()) d_ += ' ';
    d_ += op;
    bool first = true;
    for (Pt p : pts) {
      if (!first) d_ += ' ';
      first = false;
      d_ += Num(p.x) + ' ' + Num(p.y);
    }
    return *this;
  }
  std::string d_;
};

std::string Poly(std::initializer_list<Pt> pts, bool closed) {
  PathData d;
  bool first = true;
  for (Pt p : pts) {
    first ? d.M(p) : d.L(p);
    first = false;
  }
  if (closed) d.Z();
  return d.Take();
}

// Pen and brush as a painter keeps them; every shape becomes one layer.
class FacePainter {
 public:
  explicit FacePainter(Face& face) : face_(face) {}

  void Pen(std::uint32_t colour, double width, bool miter = false) {
    pen_ = colour;
    width_ = width;
    miter_ = miter;
  }
  void NoPen() { pen_ = NO_COLOUR; }
  void Brush(std::uint32_t colour) { brush_ = colour; }
  void NoBrush() { brush_ = NO_COLOUR; }

  // Lines and polylines take the pen only; closed shapes the pen and the brush.
  void Line(Pt a, Pt b) { Layer(Poly({a, b}, false), false); }
  void Polyline(std::initializer_list<Pt> pts) { Layer(Poly(pts, false), false); }
  void Polygon(std::initializer_list<Pt> pts) { Layer(Poly(pts, true), true); }
  void Shape(std::string path) { Layer(std::move(path), true); }
  void Rect(double x, double y, double w, double h) {
    Polygon({{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}});
  }
  void Ellipse(Pt c, double rx, double ry) {
    const double kx = rx * kEllipseKappa, ky = ry * kEllipseKappa;
    PathData d;
    d.M({c.x + rx, c.y})
        .C({c.x + rx, c.y + ky}, {c.x + kx, c.y + ry}, {c.x, c.y + ry})
        .C({c.x - kx, c.y + ry}, {c.x - rx, c.y + ky}, {c.x - rx, c.y})
        .C({c.x - rx, c.y - ky}, {c.x - kx, c.y - ry}, {c.x, c.y - ry})
        .C({c.x + kx, c.y - ry}, {c.x + rx, c.y - ky}, {c.x + rx, c.y})
        .Z();
    Layer(d.Take(), true);
  }
  // An arc of a circle from startDeg over spanDeg (counter-clockwise, degrees), unfilled.
  void Arc(Pt c, double r, double startDeg, double spanDeg) {
    auto at = [&](double a) { return Pt{c.x + r * std::cos(a), c.y - r * std::sin(a)}; };
    auto slope = [&](double a) { return Pt{-r * std::sin(a), -r * std::cos(a)}; };
    const int parts = static_cast<int>(std::ceil(std::fabs(spanDeg) / 90 - 1e-9));
    const double step = Radians(spanDeg) / parts;
    const double k = 4.0 / 3 * std::tan(step / 4);
    PathData d;
    double a = Radians(startDeg);
    d.M(at(a));
    for (int i = 0; i < parts; ++i, a += step)
      d.C(at(a) + slope(a) * k, at(a + step) - slope(a + step) * k, at(a + step));
    Layer(d.Take(), false);
  }
  void Text(std::string text, double x, double y, double w, double h, int pixels, bool bold) {
    FaceLayer t;
    t.text = std::move(text);
    t.fill = pen_;
    t.x = x, t.y = y, t.w = w, t.h = h;
    t.pixels = pixels;
    t.bold = bold;
    face_.layers.push_back(std::move(t));
  }

  // A filled head of length `head` with its tip at `tip`, pointing along dir.
  void Head(Pt tip, Pt dir, double head, std::uint32_t fill) {
    const double len = std::hypot(dir.x, dir.y);
    if (len == 0) return;
    const Pt u = dir * (1 / len);
    const Pt n{-u.y, u.x};
    const Pt base = tip - u * head;
    FacePainter filled = *this;
    filled.NoPen();
    filled.Brush(fill);
    filled.Polygon({tip, base + n * (head * 0.6), base - n * (head * 0.6)});
  }
  // A line in the pen from `from` to `to` with a head at `to`.
  void Arrow(Pt from, Pt to, double head, std::uint32_t fill) {
    Line(from, Shortened(from, to, head * 0.8));
    Head(to, to - from, head, fill);
  }
  void DoubleArrow(Pt a, Pt b, double head, std::uint32_t fill) {
    Line(Shortened(b, a, head * 0.8), Shortened(a, b, head * 0.8));
    Head(b, b - a, head, fill);
    Head(a, a - b, head, fill);
  }
  // The outline of a square on its corner of half-diagonal r.
  void Diamond(Pt c, double r, std::uint32_t colour, double width) {
    FacePainter outline = *this;
    outline.Pen(colour, width);
    outline.NoBrush();
    outline.Polygon({{c.x, c.y - r}, {c.x + r, c.y}, {c.x, c.y + r}, {c.x - r, c.y}});
  }
  void ArcArrow(Pt c, double r, double startDeg, double spanDeg, double head, std::uint32_t fill) {
    // Room for the head at the end of the arc.
    const double headDeg = head * 0.7 / r * 180 / kPi * (spanDeg < 0 ? -1 : 1);
    FacePainter open = *this;
    open.NoBrush();
    open.Arc(c, r, startDeg, spanDeg - headDeg);
    const double end = Radians(startDeg + spanDeg);
    Pt dir{-std::sin(end), -std::cos(end)};
    if (spanDeg < 0) dir = dir * -1;
    Head({c.x + r * std::cos(end), c.y - r * std::sin(end)}, dir, head, fill);
  }

 private:
  static Pt Shortened(Pt from, Pt to, double by) {
    const Pt d = to - from;
    const double len = std::hypot(d.x, d.y);
    return len <= by ? from : to - d * (by / len);
  }

  void Layer(std::string path, bool closed) {
    FaceLayer l;
    l.path = std::move(path);
    l.stroke = pen_;
    l.width = pen_ == NO_COLOUR ? 0 : width_;
    l.miter = miter_;
    l.fill = closed ? brush_ : NO_COLOUR;
    if (l.stroke != NO_COLOUR || l.fill != NO_COLOUR) face_.layers.push_back(std::move(l));
  }

  Face& face_;
  std::uint32_t pen_ = NO_COLOUR;
  double width_ = 0;
  bool miter_ = false;
  std::uint32_t brush_ = NO_COLOUR;
};

void AxesCorner(FacePainter& p, Pt origin, double up, double right) {
  p.Pen(kInk, 2);
  p.Arrow(origin, origin + Pt{0, -up}, 3.5, kInk);
  p.Arrow(origin, origin + Pt{right, 0}, 3.5, kInk);
  p.NoPen();
  p.Brush(kRed);
  p.Ellipse(origin, 3, 3);
}

void AxesDimension(FacePainter& p) {
  AxesCorner(p, {6, 27}, 14, 23);
  p.Pen(kInk, 1.5);
  p.Line({11, 2}, {11, 12});
  p.Line({27, 2}, {27, 12});
  p.DoubleArrow({12, 7}, {26, 7}, 3.5, kInk);
}

void ThreeSpokes(FacePainter& p) {
  p.Pen(kInk, 2);
  const Pt c{16, 16};
  p.Ellipse(c, 13, 13);
  p.Ellipse(c, 3.5, 3.5);
  for (double deg : {90.0, 210.0, 330.0}) {
    const Pt dir{std::cos(Radians(deg)), -std::sin(Radians(deg))};
    p.Line(c + dir * 3.5, c + dir * 13);
  }
}

// The union of a palm, four fingers and a thumb, as one outline.
constexpr const char* kHandOutline =
    "M9.035 17.871 L9.295 16.911 L9 16.2 L9 7.8 L9.527 6.527 L10.8 6 L12.073 6.527 L12.6 7.8 "
    "L12.6 14.108 L12.75 14.068 L12.75 5.3 L13.277 4.027 L14.55 3.5 L15.823 4.027 L16.35 5.3 "
    "L16.35 14 L16.5 14 L16.5 6.3 L17.027 5.027 L18.3 4.5 L19.573 5.027 L20.1 6.3 L20.1 14.027 "
    "L20.25 14.068 L20.25 8.8 L20.777 7.527 L22.05 7 L23.323 7.527 L23.85 8.8 L23.85 16.2 "
    "L23.646 16.692 L24 18 L24 25 L23.454 27.019 L22.019 28.454 L20 29 L13 29 L10.981 28.454 "
    "L9.546 27.019 L9 25 L9 22.802 L4.34 18.892 L3.668 17.602 L4.106 16.215 L5.395 15.543 "
    "L6.782 15.981 Z";

void SquareArrows(FacePainter& p) {
  p.Pen(kInk, 2);
  p.Rect(10, 10, 12, 12);
  p.Pen(kNavy, 1.6);
  p.Arrow({7, 5}, {25, 5}, 3.5, kNavy);
  p.Arrow({27, 7}, {27, 25}, 3.5, kNavy);
  p.Arrow({25, 27}, {7, 27}, 3.5, kNavy);
  p.Arrow({5, 25}, {5, 7}, 3.5, kNavy);
}

void DiamondArrow(FacePainter& p, bool left) {
  p.Diamond({16, 16}, 14, kInk, 2);
  p.Pen(kNavy, 2);
  if (left)
    p.Arrow({23, 16}, {8, 16}, 4.5, kNavy);
  else
    p.Arrow({9, 16}, {24, 16}, 4.5, kNavy);
}

void Chevron(FacePainter& p, bool withP) {
  p.Pen(kInk, withP ? 3 : 4, true);
  if (!withP) {
    p.Polyline({{9, 3}, {24, 16}, {9, 29}});
    return;
  }
  p.Polyline({{7, 2}, {28, 16}, {7, 30}});
  p.Pen(kRed, 1);
  p.Text("P", 5, 8, 16, 16, 15, true);
}

// A bold block arrow pointing up, turned by `degrees` clockwise about the centre.
void BlockArrow(FacePainter& p, double degrees) {
  const double c = std::cos(Radians(degrees)), s = std::sin(Radians(degrees));
  auto turn = [&](Pt q) {
    return Pt{16 + (q.x - 16) * c - (q.y - 16) * s, 16 + (q.x - 16) * s + (q.y - 16) * c};
  };
  p.Pen(kInk, 1);
  p.Brush(kNavy);
  p.Polygon({turn({16, 3}), turn({28, 15}), turn({20.5, 15}), turn({20.5, 29}), turn({11.5, 29}),
             turn({11.5, 15}), turn({4, 15})});
}

// 40 x 52 units.
void KadrPicture(FacePainter& p) {
  p.Pen(kInk, 1.5);
  p.Arrow({6, 48}, {6, 22}, 4, kInk);
  p.Arrow({6, 48}, {38, 48}, 4, kInk);
  p.Line({10, 4}, {10, 16});
  p.Line({34, 4}, {34, 16});
  p.DoubleArrow({11, 10}, {33, 10}, 4, kInk);
  p.Pen(kNavy, 2);
  p.Polyline({{10, 40}, {15, 28}, {20, 40}, {25, 28}, {30, 40}, {35, 28}});
}

// One pictogram under each of seven indicators `width` wide in all: a sign, then digit brackets
// with a decimal point before the last three.
void DigitPictograms(FacePainter& p, double width) {
  p.Pen(kInk, 1);
  const double step = width / 7;
  p.Text("\u00B1", 0, 0, step, 12, 10, true);
  for (int i = 1; i < 7; ++i) {
    const double cx = step * (i + 0.5);
    p.Line({cx - 8, 3}, {cx + 8, 3});
    p.Line({cx - 8, 3}, {cx - 8, 6});
    p.Line({cx + 8, 3}, {cx + 8, 6});
  }
  p.Brush(kInk);
  p.Ellipse({step * 4, 8}, 1.6, 1.6);
}

Face Draw(KeyPicture picture) {
  Face face{32, 32, {}};
  FacePainter p(face);
  switch (picture) {
    case P::None: break;
    case P::Zigzag:
      p.Pen(kNavy, 2.5);
      p.Polyline({{3, 22}, {9, 10}, {15, 22}, {21, 10}, {27, 22}});
      break;
    case P::AxesDimension: AxesDimension(p); break;
    case P::ThreeSpokes: ThreeSpokes(p); break;
    case P::OpenHand:
      p.Pen(kInk, 1.2);
      p.Brush(kHand);
      p.Shape(kHandOutline);
      break;
    case P::SquareArrows: SquareArrows(p); break;
    case P::DiamondLeft: DiamondArrow(p, true); break;
    case P::DiamondRight: DiamondArrow(p, false); break;
    case P::AxesDot: AxesCorner(p, {6, 26}, 22, 22); break;
    case P::ArrowIntoSolid:
      p.NoPen();
      p.Brush(kInk);
      p.Polygon({{15, 7}, {23, 7}, {30, 16}, {23, 25}, {15, 25}});
      p.Pen(kNavy, 2);
      p.Arrow({1, 16}, {13, 16}, 4.5, kNavy);
      break;
    case P::ArrowInFramed:
      p.Pen(kInk, 2);
      p.Polygon({{2, 6}, {21, 6}, {30, 16}, {21, 26}, {2, 26}});
      p.Pen(kNavy, 2);
      p.Arrow({6, 16}, {22, 16}, 4.5, kNavy);
      break;
    case P::Chevron: Chevron(p, false); break;
    case P::ChevronP: Chevron(p, true); break;
    case P::VerticalArrows:
      p.Pen(kInk, 2.5);
      p.DoubleArrow({16, 2}, {16, 30}, 6, kInk);
      break;
    case P::HorizontalArrows:
      p.Pen(kInk, 2.5);
      p.DoubleArrow({2, 16}, {30, 16}, 6, kInk);
      break;
    case P::Slashes:
      p.Pen(kInk, 3);
      p.Line({7, 27}, {15, 5});
      p.Line({17, 27}, {25, 5});
      break;
    case P::DiamondHArrows:
      p.Diamond({16, 16}, 14, kInk, 2);
      p.Pen(kNavy, 1.8);
      p.DoubleArrow({7, 16}, {25, 16}, 4, kNavy);
      break;
    case P::CircleTriangle:
      p.Pen(kInk, 2);
      p.Ellipse({16, 16}, 13, 13);
      p.NoPen();
      p.Brush(kRed);
      p.Polygon({{8.5, 11}, {23.5, 11}, {16, 24}});
      break;
    case P::DiamondBar:
      p.Diamond({16, 16}, 14, kInk, 2);
      p.NoPen();
      p.Brush(kNavy);
      p.Rect(14.5, 8, 3, 16);
      break;
    case P::ArrowUp: BlockArrow(p, 0); break;
    case P::ArrowRight: BlockArrow(p, 90); break;
    case P::ArrowDown: BlockArrow(p, 180); break;
    case P::ArrowLeft: BlockArrow(p, 270); break;
    case P::CircularArrows:
      p.Pen(kGreen, 3.5);
      p.ArcArrow({16, 16}, 11, 100, 140, 7.5, kGreen);
      p.ArcArrow({16, 16}, 11, 280, 140, 7.5, kGreen);
      break;
    case P::KadrPicture:
      face.width = 40;
      face.height = 52;
      KadrPicture(p);
      break;
    case P::DigitPictograms: {
      const ControlInfo* strip = FindPanelItem("digitPictograms");
      face.width = strip->place.w;
      face.height = strip->place.h;
      DigitPictograms(p, face.width);
      break;
    }
  }
  return face;
}

constexpr std::array<std::string_view, static_cast<std::size_t>(P::DigitPictograms) + 1> kNames{
    "None",           "Zigzag",         "AxesDimension",  "ThreeSpokes",    "OpenHand",
    "SquareArrows",   "DiamondLeft",    "DiamondRight",   "AxesDot",        "ArrowIntoSolid",
    "ArrowInFramed",  "Chevron",        "ChevronP",       "VerticalArrows", "HorizontalArrows",
    "Slashes",        "DiamondHArrows", "CircleTriangle", "DiamondBar",     "ArrowUp",
    "ArrowDown",      "ArrowLeft",      "ArrowRight",     "CircularArrows", "KadrPicture",
    "DigitPictograms"};

}  // namespace

const Face& FaceOf(KeyPicture picture) {
  static const std::vector<Face> faces = [] {
    std::vector<Face> all;
    for (std::size_t i = 0; i < kNames.size(); ++i) all.push_back(Draw(static_cast<P>(i)));
    return all;
  }();
  return faces.at(static_cast<std::size_t>(picture));
}

std::string_view PictureName(KeyPicture picture) {
  return kNames.at(static_cast<std::size_t>(picture));
}

std::vector<KeyPicture> AllPictures() {
  std::vector<KeyPicture> all;
  for (std::size_t i = 1; i < kNames.size(); ++i) all.push_back(static_cast<P>(i));
  return all;
}

std::vector<PathCommand> ParseFacePath(std::string_view data) {
  std::vector<PathCommand> out;
  std::size_t i = 0;
  auto skip = [&] {
    while (i < data.size() && data[i] == ' ') ++i;
  };
  auto number = [&] {
    skip();
    std::size_t end = i;
    while (end < data.size() && (std::isdigit(static_cast<unsigned char>(data[end])) ||
                                 data[end] == '-' || data[end] == '.'))
      ++end;
    if (end == i) throw std::invalid_argument("face path: a number expected");
    const double v = std::stod(std::string(data.substr(i, end - i)));
    i = end;
    return v;
  };
  for (skip(); i < data.size(); skip()) {
    PathCommand c{data[i++], {}};
    const int count = c.op == 'M' || c.op == 'L' ? 2 : c.op == 'C' ? 6 : c.op == 'Z' ? 0 : -1;
    if (count < 0) throw std::invalid_argument("face path: unknown command");
    if (c.op != 'M' && out.empty()) throw std::invalid_argument("face path: no starting point");
    for (int k = 0; k < count; ++k) c.p[k] = number();
    out.push_back(c);
  }
  return out;
}

}  // namespace kv74
