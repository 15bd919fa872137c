#include "tools/glyphgen/contactsheet.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "saver/glyphs.h"

namespace tess::glyphgen {

namespace {

constexpr int kZoom = 4;
constexpr int kGap = 4;
constexpr int kSetGap = 20;
constexpr int kMargin = 24;
constexpr int kTitle = 28;
const QColor kSheetGrey(128, 128, 128);

QImage Tinted(const QImage& picture, const std::string& tint) {
  if (tint == "red") return GreenToRed(picture);
  if (tint == "blue") return GreenToBlue(picture);
  return picture;
}

QRgb KeyFor(bool bright, const std::string& tint) {
  if (!bright) return qRgb(0, 0, 0);
  const ColourInt key = tint == "red"    ? kBrightKeyRed
                        : tint == "blue" ? kBrightKeyBlue
                                         : kBrightKey;
  return qRgb(RedOf(key), GreenOf(key), BlueOf(key));
}

// Draws a picture enlarged, leaving its key colour see-through.
void Stamp(QImage& sheet, const QImage& picture, int left, int top, QRgb key) {
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const QRgb p = picture.pixel(x, y) | 0xFF000000u;
      if ((p & 0xFFFFFF) == (key & 0xFFFFFF)) continue;
      for (int dy = 0; dy < kZoom; ++dy) {
        for (int dx = 0; dx < kZoom; ++dx)
          sheet.setPixel(left + x * kZoom + dx, top + y * kZoom + dy, p);
      }
    }
  }
}

}  // namespace

int WriteContactSheet(const QString& file, const QString& pictures, const std::string& tint) {
  const QDir dir(pictures);
  const int small = 20 * kZoom + kGap, large = 30 * kZoom + kGap;
  const int turnedWidth = 3 * 10 * small + 2 * kSetGap;
  const int width = 2 * kMargin + std::max(turnedWidth, 10 * large);
  const int height = 2 * kMargin + 3 * kTitle + 2 * 10 * small + 15 * large + 2 * kMargin;
  QImage sheet(width, height, QImage::Format_RGB32);
  sheet.fill(kSheetGrey);
  QPainter painter(&sheet);
  painter.setPen(Qt::white);
  int top = kMargin;
  for (int list = 1; list <= 2; ++list) {
    painter.drawText(kMargin, top + 18,
                     QString("List %1: sets 1 (vertical axis), 2 (horizontal axis), 3 (in plane); "
                             "frames 01-10; one row per symbol")
                         .arg(list));
    top += kTitle;
    for (int symbol = 1; symbol <= kTurnedSymbols; ++symbol) {
      for (int set = 1; set <= kTurnSets; ++set) {
        for (int frame = 1; frame <= kFramesPerSet; ++frame) {
          const QString name = GlyphFileName(TurnedSymbolGroup(symbol), set, frame);
          const QImage picture(dir.filePath(list == 2 ? "bright/" + name : name));
          if (picture.isNull()) {
            std::fprintf(stderr, "missing %s\n", qPrintable(name));
            return 1;
          }
          const int left = kMargin + (set - 1) * (10 * small + kSetGap) + (frame - 1) * small;
          Stamp(sheet, Tinted(picture, tint), left, top + (symbol - 1) * small,
                KeyFor(list == 2, tint));
        }
      }
    }
    top += 10 * small + kMargin;
  }
  painter.drawText(kMargin, top + 18,
                   "List 3: set 4, brightness frames 01-10; one row per symbol 1-15");
  top += kTitle;
  for (int group = 1; group <= kAllSymbols; ++group) {
    for (int frame = 1; frame <= kFramesPerSet; ++frame) {
      const QImage picture(dir.filePath(GlyphFileName(group, 4, frame)));
      if (picture.isNull()) return 1;
      Stamp(sheet, Tinted(picture, tint), kMargin + (frame - 1) * large, top + (group - 1) * large,
            KeyFor(false, tint));
    }
  }
  painter.end();
  if (!sheet.save(file, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return 1;
  }
  return 0;
}

}  // namespace tess::glyphgen
