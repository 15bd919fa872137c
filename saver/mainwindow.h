#pragma once
// The saver's full-screen window on the primary screen, and one more window on each other
// monitor. When shown it notes where the cursor stands, installs the exit rule for every message
// of the application, hides the cursor, prepares the frames and starts the frame timer; any key,
// mouse button, movement of more than 5 pixels or change of activation closes it, wherever the
// pointer is, which ends the program.
#include <QPoint>
#include <QWidget>
#include <bitset>
#include <memory>
#include <optional>
#include <vector>

#include "saver/saverengine.h"

class QScreen;

namespace tess {

class TDXDrawWidget;
class TFrameGate;
class TMonitorWindow;

class TMain : public QWidget {
 public:
  TMain();
  ~TMain() override;

  TSaverEngine& Engine() { return engine_; }
  TDXDrawWidget& DXD1Window() { return *dxdrawWindow_; }
  // The windows on the other monitors, one per screen besides the primary.
  const std::vector<std::unique_ptr<TMonitorWindow>>& OtherMonitors() const { return others_; }

  void FormShow();
  void FormHide();
  // The exit rule; sees every event of the application and never consumes one.
  void AppMessage(const QEvent& event);

  // Where the cursor stood at the start. On a display that tells no position before the pointer
  // moves (Wayland), the first position learnt; until then no movement can close the saver.
  QPoint StartCursorPos;
  bool StartCursorKnown = true;
  // The most the cursor may stray on either axis without closing the saver.
  static constexpr int kMouseTolerance = 5;
  // Keys (X key codes) held down when the saver started: a saver bound to a key (xbindkeys,
  // sxhkd) starts while that key is still down. Their repeats and their release are no input
  // of the user's to the saver; a new press of any key is.
  std::bitset<256> KeysHeldAtStart;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CloseForInput();
  void NotePointerAt(QPoint global);
  // Whether a key event is the user's doing since the start (see KeysHeldAtStart).
  bool IsNewKeyPress(const class QKeyEvent& key);
  // One window on every screen but the primary, none elsewhere; the primary window on the
  // primary screen.
  void FollowScreens();
  void DrawOtherMonitors(int steps);
  // Frames stop while no window can be seen and start again when one can.
  void FollowVisibility();
  // A screen changed its size or place (a new mode): every window covers its screen again.
  void FollowScreenGeometry();
  // Takes a monitor's window away. It is hidden at once but deleted only later: the input that
  // closes the saver may be an event that window is handling at this very moment.
  void Retire(std::unique_ptr<TMonitorWindow> window);

  TSaverEngine engine_;
  TDXDrawWidget* dxdrawWindow_;
  std::vector<std::unique_ptr<TMonitorWindow>> others_;
  std::vector<std::unique_ptr<TMonitorWindow>> retired_;
  std::unique_ptr<TFrameGate> gate_;
  bool shown_ = false;
  bool hookInstalled_ = false;
  bool cursorHidden_ = false;
  bool active_ = false;
  bool closing_ = false;
  // Times in a row the window was sized to its screen again after somebody else sized it.
  int recoverTries_ = 0;
  static constexpr int kMaxRecoverTries = 3;
};

}  // namespace tess
