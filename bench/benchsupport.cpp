#include "bench/benchsupport.h"

#include <QImage>
#include <algorithm>

#include "settings/settings.h"

namespace tess::bench {

int WarmUpFrames() {
  const QByteArray value = qgetenv("TESSARINE_BENCH_WARMUP");
  bool ok = false;
  const int frames = value.toInt(&ok);
  return ok && frames >= 0 ? frames : 300;
}

void UseDemandingSettings(int variation, ScreenSize screen) {
  SetDefaults(Settings);
  Settings.General.VarNum = variation;
  Settings.General.BGColor = MakeColour(32, 32, 32);
  Settings.FirstVar = {100, 3, true, 10, 10, 100, 110};
  Settings.SecondVar = {100, true, 7, 10, 10};
  Settings.ThirdVar = {std::min(ChainsBound(screen.W, 1), 300),
                       std::min(ChainLengthBound(screen.H, 1), 100),
                       10,
                       10,
                       1,
                       4,
                       true};
}

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
