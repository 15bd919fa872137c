#pragma once
// The saver's full-screen window. When shown it notes where the cursor stands, installs the exit
// rule for every message of the application, hides the cursor, prepares the frames and starts the
// frame timer; any key, mouse button, movement of more than 5 pixels or change of activation
// closes it, which ends the program.
#include <QPoint>
#include <QWidget>

#include "saver/saverengine.h"

namespace tess {

class TDXDrawWidget;

class TMain : public QWidget {
 public:
  TMain();
  ~TMain() override;

  TSaverEngine& Engine() { return engine_; }
  TDXDrawWidget& DXD1Window() { return *dxdrawWindow_; }

  void FormShow();
  void FormHide();
  // The exit rule; sees every event of the application and never consumes one.
  void AppMessage(const QEvent& event);

  QPoint StartCursorPos;
  // The most the cursor may stray on either axis without closing the saver.
  static constexpr int kMouseTolerance = 5;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CloseForInput();

  TSaverEngine engine_;
  TDXDrawWidget* dxdrawWindow_;
  bool shown_ = false;
  bool hookInstalled_ = false;
  bool cursorHidden_ = false;
  bool active_ = false;
  bool closing_ = false;
};

}  // namespace tess
