#pragma once
// What the X server says of the screens, for a window that Qt knows nothing of (a screen-saver
// daemon's): where the primary monitor is, how fast the monitor under a point refreshes, and the
// font resolution the desktop asks for (the Xft.dpi resource), from which its HiDPI scale follows.
// And which keys are held down, for a saver started by a key of its own.
#include <QPoint>
#include <QRect>
#include <bitset>
#include <cstdint>

struct xcb_connection_t;

namespace tess {

// The primary monitor in root coordinates: RandR's primary monitor, else its first, else the
// whole root window.
QRect PrimaryMonitorRect(xcb_connection_t* connection, uint32_t root);

// The refresh rate of the display controller that shows `point` (root coordinates), or of the
// first active one; 0 when RandR cannot tell.
double RefreshRateAt(xcb_connection_t* connection, uint32_t root, QPoint point);

// Xft.dpi from the root window's resource database; 0 when it is not set.
double XftDpi(xcb_connection_t* connection, uint32_t root);

// The root window's size, and where a window's origin lies on it.
QRect RootRect(xcb_connection_t* connection, uint32_t root);
QPoint OriginOnRoot(xcb_connection_t* connection, uint32_t window, uint32_t root);

// The key codes held down now on the X display of $DISPLAY; none when it cannot be asked.
std::bitset<256> KeysHeldDown();

}  // namespace tess
