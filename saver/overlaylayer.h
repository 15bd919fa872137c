#pragma once
// Wayland compositors with the wlr layer shell (sway, Hyprland, river, labwc, wayfire, niri, KWin)
// give a screen locker's or saver's surfaces a layer above every window, full-screen ones and
// notifications included, that adds nothing to the user's window layout. There the saver's
// windows are surfaces of the overlay layer, one per output; elsewhere (X11, GNOME, weston, or a
// build without LayerShellQt) they stay full-screen windows.
class QScreen;
class QWidget;

namespace tess {

// Whether saver windows go into the overlay layer: the native Wayland platform, a build with
// LayerShellQt, and a compositor that offers the layer shell. Asked of the compositor once.
bool UseOverlayLayer();

// Puts a saver window over the whole of `screen` in the overlay layer: anchored to all four edges,
// over any exclusive zone (panels, bars), with the keyboard to itself. A window already shown on
// another output is shown afresh on this one, since a layer surface cannot change its output; that
// hide and show is no hiding of the saver (see `MovingToAnotherOutput`).
void CoverScreenInOverlayLayer(QWidget& window, QScreen* screen);

// The output a window's layer surface is on; null before it has one, or once that output went.
QScreen* OverlayLayerOutput(const QWidget& window);

// Whether the window is being shown afresh on another output just now.
bool MovingToAnotherOutput(const QWidget& window);

}  // namespace tess
