#include "render/screensize.h"

#include <QGuiApplication>
#include <QScreen>

#include "core/screen.h"

namespace tess {

void UsePrimaryScreenSize() {
  SetScreenSizeProvider([] {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return ScreenSize{};
    const QSizeF size = QSizeF(screen->geometry().size()) * screen->devicePixelRatio();
    return ScreenSize{qRound(size.width()), qRound(size.height())};
  });
}

}  // namespace tess
