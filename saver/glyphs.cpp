#include "saver/glyphs.h"

#include <stdexcept>

#include "render/imagelist.h"
#include "render/quickpixel.h"

namespace tess {

namespace {

QImage LoadResourcePicture(const QString& path) {
  QImage picture(path, "BMP");
  if (picture.isNull()) throw std::runtime_error("missing glyph picture " + path.toStdString());
  return picture;
}

void AddPicture(TDXImageList& list, const QString& resource, const QString& name,
                ColourInt transparentColor) {
  TPictureCollectionItem& item = list.Items.Add();
  item.Name = name.toStdString();
  item.SetPicture(LoadResourcePicture(resource));
  item.Transparent = true;
  item.SetTransparentColor(transparentColor);
  item.PatternWidth = 0;
  item.PatternHeight = 0;
  item.SystemMemory = false;
}

// Copies the picture into a new 24-bit bitmap and rewrites every pixel with `swap`.
template <typename Swap>
QImage Swapped(const QImage& picture, Swap swap) {
  QImage result = picture.convertToFormat(QImage::Format_BGR888);
  TQuickPixel pixels(result);
  for (int x = 0; x < result.width(); ++x) {
    for (int y = 0; y < result.height(); ++y) {
      const ColourInt c = pixels.ReadPixel(x, y);
      pixels.WritePixel(x, y, swap(RedOf(c), GreenOf(c), BlueOf(c)));
    }
  }
  return result;
}

}  // namespace

QString GlyphFileName(int group, int set, int frame) {
  return QString::asprintf("s%02d_%d_%02d.bmp", group, set, frame);
}

void LoadGlyphLists(TDXImageList& list1, TDXImageList& list2, TDXImageList& list3) {
  for (int symbol = 1; symbol <= kTurnedSymbols; ++symbol) {
    for (int set = 1; set <= kTurnSets; ++set) {
      for (int frame = 1; frame <= kFramesPerSet; ++frame) {
        const QString name = GlyphFileName(TurnedSymbolGroup(symbol), set, frame);
        AddPicture(list1, ":/glyphs/" + name, name, 0);
        AddPicture(list2, ":/glyphs/bright/" + name, name, kBrightKey);
      }
    }
  }
  for (int group = 1; group <= kAllSymbols; ++group) {
    for (int frame = 1; frame <= kFramesPerSet; ++frame) {
      const QString name = GlyphFileName(group, 4, frame);
      AddPicture(list3, ":/glyphs/" + name, name, 0);
    }
  }
}

QImage GreenToRed(const QImage& picture) {
  return Swapped(picture, [](int r, int g, int b) { return MakeColour(g, r, b); });
}

QImage GreenToBlue(const QImage& picture) {
  return Swapped(picture, [](int r, int g, int b) { return MakeColour(r, b, g); });
}

void TintGlyphs(int simColor, TDXImageList& list1, TDXImageList& list2, TDXImageList& list3) {
  if (simColor != 1 && simColor != 3) return;
  const auto tint = simColor == 1 ? &GreenToRed : &GreenToBlue;
  const ColourInt brightKey = simColor == 1 ? kBrightKeyRed : kBrightKeyBlue;
  for (int i = 0; i < kTurnedItems; ++i) {
    TPictureCollectionItem& normal = list1.Items.Items(i);
    normal.SetPicture(tint(normal.Picture()));
    TPictureCollectionItem& bright = list2.Items.Items(i);
    bright.SetPicture(tint(bright.Picture()));
    bright.SetTransparentColor(brightKey);
    if (i < kRampItems) {
      TPictureCollectionItem& ramp = list3.Items.Items(i);
      ramp.SetPicture(tint(ramp.Picture()));
    }
  }
}

}  // namespace tess
