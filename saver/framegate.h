#pragma once
// Whether anybody can see one saver window's frames, followed as the display tells it. On X the
// window is watched over a connection of our own (covered, unmapped, monitors powered down);
// on every platform the GUI layer's exposure counts too: on Wayland a window whose frame
// callbacks stop coming (its output powered off or hidden) is no longer exposed. A change calls
// OnChange; with TESSARINE_STATS=1 it is also said once on standard error.
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "render/visibility.h"

class QSocketNotifier;
class QWidget;
class QWindow;

namespace tess {

class TX11VisibilityWatch;

class TFrameGate : public QObject {
 public:
  // `window`: the saver's own window, or null for a daemon's; `xWindow`: the X window to watch,
  // 0 where the display is not X. `label` names the monitor in what is said, empty for none.
  TFrameGate(QWidget* window, uint32_t xWindow, std::string label = {});
  ~TFrameGate() override;

  bool Shown() const { return visibility_ == TVisibility::kShown; }
  std::function<void()> OnChange;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Update();

  QWindow* qtWindow_ = nullptr;
  std::unique_ptr<TX11VisibilityWatch> watch_;
  std::unique_ptr<QSocketNotifier> events_;
  QTimer monitorPoll_;
  TVisibilityState exposureOnly_;  // where there is no X window to watch
  TVisibility visibility_ = TVisibility::kShown;
  bool exposureKnown_ = false;
  std::string label_;
  bool stats_ = false;
};

// The X window of a saver window on the X platform; 0 elsewhere.
uint32_t XWindowOf(QWidget& window);

}  // namespace tess
