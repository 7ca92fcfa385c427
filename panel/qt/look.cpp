#include "panel/qt/look.hpp"

#include <QFontDatabase>
#include <QStringList>

namespace kv74::qt {
namespace {

// Tried in order; the first installed one wins. The first two are what the panel was drawn with.
const QStringList kSansFamilies{"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial",
                                "Nimbus Sans",   "DejaVu Sans",          "Sans Serif"};

const QStringList kSegmentFiles{
    "/usr/share/fonts/truetype/dseg/DSEG7Classic-Bold.ttf",
    "/usr/local/share/fonts/DSEG7Classic-Bold.ttf",
};

QString LoadSegmentFamily() {
  for (const QString& file : kSegmentFiles) {
    int id = QFontDatabase::addApplicationFont(file);
    if (id < 0) continue;
    QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (!families.isEmpty()) return families.front();
  }
  if (QFontDatabase::families().contains("DSEG7 Classic")) return "DSEG7 Classic";
  return {};
}

const QString& SegmentFamily() {
  static const QString family = LoadSegmentFamily();
  return family;
}

}  // namespace

QFont PanelFont(int pixels, bool bold) {
  QFont f;
  f.setFamilies(kSansFamilies);
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

bool HaveSegmentFont() { return !SegmentFamily().isEmpty(); }

QFont SegmentFont(int pixels) {
  if (!HaveSegmentFont()) return PanelFont(pixels, true);
  QFont f(SegmentFamily());
  f.setPixelSize(pixels);
  f.setBold(true);
  return f;
}

}  // namespace kv74::qt
