#include "render/screensize.h"

#include <QGuiApplication>
#include <QScreen>

#include "render/displayscale.h"

namespace tess {

int ScreenScale(const QScreen* screen) {
  return DisplayScale(screen != nullptr ? screen->devicePixelRatio() : 1.0);
}

ScreenSize DeviceScreenSize(const QScreen* screen) {
  if (screen == nullptr) return {};
  const QSizeF size = QSizeF(screen->geometry().size()) * screen->devicePixelRatio();
  return {qRound(size.width()), qRound(size.height())};
}

ScreenSize LogicalScreenSize(const QScreen* screen) {
  const ScreenSize device = DeviceScreenSize(screen);
  const int scale = ScreenScale(screen);
  return {device.W / scale, device.H / scale};
}

void UsePrimaryScreenSize() {
  SetScreenSizeProvider([] { return LogicalScreenSize(QGuiApplication::primaryScreen()); });
}

}  // namespace tess
