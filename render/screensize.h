#pragma once
// W and H from the GUI layer: a screen's size in device pixels divided by its whole-number HiDPI
// scale, so that a 4K screen at scale 2 has the W and H of a 1080p one.
#include "core/screen.h"

class QScreen;

namespace tess {

// The whole-number scale of a screen (1 without one), TESSARINE_SCALE taken into account.
int ScreenScale(const QScreen* screen);

// The screen's size in device pixels, and in the logical pixels frames are composed in.
ScreenSize DeviceScreenSize(const QScreen* screen);
ScreenSize LogicalScreenSize(const QScreen* screen);

// Installs the primary screen's logical size as W and H, read at every use.
void UsePrimaryScreenSize();

}  // namespace tess
