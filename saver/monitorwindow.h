#pragma once
// A further monitor in the saver's own full-screen mode: a window that covers that screen with a
// scene state of its own, at that screen's size and from a generator of its own, so that the
// primary screen draws exactly what it would draw alone. Its frames are drawn in the primary's
// pace, right after the primary's, without a wait of their own, and only while it can be seen.
#include <QWidget>
#include <functional>
#include <memory>

#include "core/random.h"
#include "saver/framegate.h"
#include "saver/saverengine.h"

class QScreen;

namespace tess {

class TDXDrawWidget;

// The window flags, colour and layout every saver window has: frameless, above panels and docks,
// black until the first frame, the drawing surface's window filling it, movements tracked.
void SetUpSaverWindow(QWidget& window, TDXDrawWidget& drawingWindow);
// Puts a saver window over the whole of a screen: a full-screen window, or a surface of the
// compositor's overlay layer where there is one.
void CoverScreen(QWidget& window, QScreen* screen);
// Whether a saver window is over that screen (as far as it asked to be).
bool Covers(const QWidget& window, const QScreen* screen);

class TMonitorWindow : public QWidget {
 public:
  TMonitorWindow(QScreen* screen, uint32_t seed);
  ~TMonitorWindow() override;

  QScreen* Screen() const { return screen_; }
  TSaverEngine& Engine() { return engine_; }

  // Covers the screen and prepares the frames, as the primary window's show does;
  // `visibilityChanged` runs whenever this window comes into sight or goes out of it.
  void Start(std::function<void()> visibilityChanged);
  // One frame of this monitor's scene with that many steps, unless nobody can see it.
  void DrawFrame(int steps);
  bool Shown() const { return engine_.Shown(); }

 private:
  QScreen* screen_;
  RandomGenerator rng_;
  TSaverEngine engine_;
  TDXDrawWidget* dxdrawWindow_;
  std::unique_ptr<TFrameGate> gate_;
};

}  // namespace tess
