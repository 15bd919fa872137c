#include "bench/benchsupport.h"

#include <QImage>

#include "settings/settings.h"

namespace tess::bench {

ScopedBackground::ScopedBackground(bool enabled) {
  Settings.General.BGPic = false;
  if (!enabled) return;
  QImage picture(1920, 1080, QImage::Format_RGB888);
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x)
      picture.setPixel(x, y, qRgb(x % 256, y % 256, 90));
  }
  const QString path = dir_.filePath("background.bmp");
  picture.save(path, "BMP");
  Settings.General.BGPic = true;
  Settings.General.BGPicPath = path.toStdString();
}

ScopedBackground::~ScopedBackground() {
  Settings.General.BGPic = false;
}

}  // namespace tess::bench
