// Draws the about box's picture of the controller's processor board, 400 x 205, and writes it as
// a binary PPM for cjpeg. Deterministic: the same picture on every run.
//   make_board OUT.ppm
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>
#include <random>

namespace {

constexpr int kW = 400;
constexpr int kH = 205;

std::mt19937 rng(7402);

int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

const QColor kCopper(118, 168, 84);
const QColor kPad(205, 190, 140);

void Substrate(QPainter& p) {
  QLinearGradient g(0, 0, kW, kH);
  g.setColorAt(0, QColor(22, 92, 46));
  g.setColorAt(1, QColor(12, 64, 32));
  p.fillRect(0, 0, kW, kH, g);
}

void Trace(QPainter& p, const QPolygonF& points, qreal width) {
  QPainterPath path(points.front());
  for (int i = 1; i < points.size(); ++i) path.lineTo(points[i]);
  p.strokePath(path, QPen(kCopper, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void Via(QPainter& p, QPointF c) {
  p.setPen(Qt::NoPen);
  p.setBrush(kPad);
  p.drawEllipse(c, 2.6, 2.6);
  p.setBrush(QColor(30, 30, 26));
  p.drawEllipse(c, 1.1, 1.1);
}

// A DIP package with `pins` pins per side, lying horizontally.
void Chip(QPainter& p, int x, int y, int pins, const QString& label) {
  const int pitch = 8;
  const int w = pins * pitch + 4;
  const int h = pins > 12 ? 34 : 24;
  p.setPen(Qt::NoPen);
  for (int i = 0; i < pins; ++i) {
    QRectF top(x + 4 + i * pitch, y - 4, 3.5, 5);
    QRectF bottom(x + 4 + i * pitch, y + h - 1, 3.5, 5);
    p.setBrush(QColor(196, 196, 200));
    p.drawRect(top);
    p.drawRect(bottom);
  }
  QLinearGradient g(x, y, x, y + h);
  g.setColorAt(0, QColor(58, 58, 62));
  g.setColorAt(1, QColor(22, 22, 24));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(x, y, w, h), 2, 2);
  p.setBrush(QColor(40, 40, 44));
  p.drawEllipse(QPointF(x + 5, y + h / 2.0), 2.5, 2.5);
  p.setPen(QColor(225, 225, 215));
  QFont f("DejaVu Sans");
  f.setPixelSize(8);
  p.setFont(f);
  p.drawText(QRectF(x + 9, y, w - 9, h), Qt::AlignCenter, label);
}

void Header(QPainter& p, int x, int y, int pins, bool vertical) {
  const int pitch = 7;
  QRectF body = vertical ? QRectF(x, y, 12, pins * pitch + 2) : QRectF(x, y, pins * pitch + 2, 12);
  p.setPen(QColor(40, 40, 40));
  p.setBrush(QColor(232, 226, 205));
  p.drawRect(body);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < pins; ++i) {
    QPointF c =
        vertical ? QPointF(x + 6, y + 4.5 + i * pitch) : QPointF(x + 4.5 + i * pitch, y + 6);
    p.setBrush(QColor(210, 180, 70));
    p.drawRect(QRectF(c.x() - 1.5, c.y() - 1.5, 3, 3));
  }
}

void EdgeFingers(QPainter& p) {
  p.setPen(Qt::NoPen);
  for (int x = 60; x < 340; x += 7) {
    QLinearGradient g(0, kH - 12, 0, kH);
    g.setColorAt(0, QColor(200, 160, 60));
    g.setColorAt(1, QColor(240, 205, 110));
    p.setBrush(g);
    p.drawRect(QRectF(x, kH - 12, 4.5, 12));
  }
}

void Capacitor(QPainter& p, QPointF c, bool electrolytic) {
  p.setPen(QColor(20, 20, 20));
  if (electrolytic) {
    QRadialGradient g(c - QPointF(2, 2), 8);
    g.setColorAt(0, QColor(90, 120, 210));
    g.setColorAt(1, QColor(20, 40, 120));
    p.setBrush(g);
    p.drawEllipse(c, 6.5, 6.5);
    p.setPen(QPen(QColor(200, 200, 220), 1));
    p.drawLine(c + QPointF(-4, -3), c + QPointF(4, -3));
  } else {
    p.setBrush(QColor(196, 120, 40));
    p.drawRoundedRect(QRectF(c.x() - 5, c.y() - 3, 10, 6), 2, 2);
  }
}

void Resistor(QPainter& p, QPointF c) {
  p.setPen(QPen(QColor(190, 190, 190), 1));
  p.drawLine(c + QPointF(-10, 0), c + QPointF(10, 0));
  p.setPen(QColor(60, 50, 30));
  p.setBrush(QColor(214, 190, 140));
  p.drawRoundedRect(QRectF(c.x() - 6, c.y() - 2.5, 12, 5), 2, 2);
  const QColor bands[] = {Qt::red, Qt::black, QColor(150, 75, 0), QColor(212, 175, 55)};
  for (int i = 0; i < 4; ++i) {
    p.fillRect(QRectF(c.x() - 4 + i * 2.5, c.y() - 2.5, 1.2, 5), bands[(i + Rand(0, 3)) % 4]);
  }
}

void Crystal(QPainter& p, QPointF c) {
  QLinearGradient g(c.x(), c.y() - 5, c.x(), c.y() + 5);
  g.setColorAt(0, QColor(235, 235, 240));
  g.setColorAt(1, QColor(140, 140, 150));
  p.setPen(QColor(90, 90, 90));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(c.x() - 11, c.y() - 5, 22, 10), 5, 5);
}

void MountingHole(QPainter& p, QPointF c) {
  p.setPen(Qt::NoPen);
  p.setBrush(kPad);
  p.drawEllipse(c, 7, 7);
  p.setBrush(QColor(15, 15, 15));
  p.drawEllipse(c, 4, 4);
}

void Silkscreen(QPainter& p) {
  p.setPen(QColor(235, 235, 225));
  QFont f("DejaVu Sans");
  f.setPixelSize(9);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QPointF(26, 188), "KV-74  CPU  REV.4");
  f.setBold(false);
  f.setPixelSize(7);
  p.setFont(f);
  const struct {
    const char* text;
    int x, y;
  } refs[] = {{"D1", 30, 15},  {"D2", 214, 15},  {"D3", 30, 78},   {"D4", 148, 78},
              {"D5", 268, 78}, {"D6", 214, 132}, {"D7", 300, 132}, {"ZQ1", 186, 58},
              {"X1", 360, 16}, {"X2", 120, 146}, {"C1", 324, 20},  {"R1", 34, 132}};
  for (const auto& r : refs) p.drawText(QPointF(r.x, r.y), r.text);
}

// Light falling from the upper left, and a little grain, as on a photograph.
void Photograph(QImage& img) {
  QPainter p(&img);
  QRadialGradient light(QPointF(110, 40), 360);
  light.setColorAt(0, QColor(255, 255, 240, 46));
  light.setColorAt(1, QColor(0, 0, 0, 70));
  p.fillRect(img.rect(), light);
  p.end();
  std::normal_distribution<double> grain(0.0, 4.0);
  for (int y = 0; y < img.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      int d = static_cast<int>(grain(rng));
      QColor c(line[x]);
      line[x] = qRgb(std::clamp(c.red() + d, 0, 255), std::clamp(c.green() + d, 0, 255),
                     std::clamp(c.blue() + d, 0, 255));
    }
  }
}

QImage Board() {
  QImage img(kW, kH, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  Substrate(p);
  // Buses: parallel lanes between the chip rows, and a trace from every edge finger up to them
  // with a 45-degree jog.
  for (int i = 0; i < 5; ++i) {
    qreal y = 65 + i * 4;
    Trace(p, QPolygonF({{16, y}, {364 - i * 4.0, y}, {370 - i * 4.0, y - 6}, {370 - i * 4.0, 30}}),
          1.3);
  }
  for (int i = 0; i < 3; ++i) {
    qreal y = 127 + i * 3.5;
    Trace(p, QPolygonF(QList<QPointF>{{24, y}, {330, y}}), 1.1);
  }
  for (int i = 0; i < 40; ++i) {
    qreal x = 62 + i * 7;
    qreal turn = 176 - (i % 6) * 3.5;
    qreal jog = (i < 20 ? -1 : 1) * 6;
    Trace(p, QPolygonF({{x, kH - 10.0}, {x, turn}, {x + jog, turn - 6}, {x + jog, 132}}), 1.2);
    if (i % 4 == 0) Via(p, QPointF(x + jog, 150 - (i % 3) * 5));
  }
  for (int i = 0; i < 14; ++i) {
    qreal x = 40 + i * 24 + Rand(-3, 3);
    Trace(p, QPolygonF(QList<QPointF>{{x, 60}, {x, 66}}), 1.0);
    Via(p, QPointF(x, 60));
  }
  Trace(p, QPolygonF({{18, 40}, {18, 170}, {40, 192}, {56, 192}}), 3.0);  // ground
  EdgeFingers(p);
  Chip(p, 30, 24, 20, "CPU-16");
  Chip(p, 214, 24, 12, "ROM 8K");
  Chip(p, 30, 86, 12, "RAM 4K");
  Chip(p, 148, 86, 12, "RAM 4K");
  Chip(p, 268, 86, 14, "PORT I/O");
  Chip(p, 214, 140, 8, "GATE");
  Chip(p, 300, 140, 8, "LATCH");
  Header(p, 372, 20, 12, true);
  Header(p, 120, 150, 10, false);
  for (int i = 0; i < 6; ++i) Capacitor(p, QPointF(330 + (i % 2) * 16, 30 + (i / 2) * 18), i < 2);
  for (int i = 0; i < 5; ++i) Resistor(p, QPointF(40 + i * 26, 140));
  Crystal(p, QPointF(196, 68));
  Capacitor(p, QPointF(226, 68), false);
  MountingHole(p, QPointF(12, 12));
  MountingHole(p, QPointF(388, 192));
  Silkscreen(p);
  p.end();
  Photograph(img);
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_board OUT.ppm\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  QImage img = Board();
  if (!img.save(QString::fromLocal8Bit(argv[1]), "PPM")) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
