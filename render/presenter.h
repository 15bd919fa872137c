#pragma once
// The narrow seam between the drawing surface and whatever shows its frames: the saver's own
// window, a window that a screen-saver daemon owns, or image files for headless rendering.
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <span>
#include <string>

namespace tess {

class IFramePacer;
class IFrameExecutor;

// What a frame changed: rectangles of the back surface, which may overlap; their union is shown.
using TPresentParts = std::span<const QRect>;

class IPresenter {
 public:
  virtual ~IPresenter() = default;

  // The size of the area frames are shown in, in device pixels.
  virtual QSize ClientSize() const = 0;

  // Shows `parts` of the back surface with the back surface's origin at `offset` of the client
  // area; whatever falls outside the client area is clipped. A display that reads the pixels
  // from memory shared with us may still be reading them when this returns: see AwaitPresented.
  virtual void Present(const QImage& back, TPresentParts parts, QPoint offset) = 0;

  // Returns once the display has taken the pixels of the last Present: until then they must
  // not change. The X server copies one frame while the next is recorded.
  virtual void AwaitPresented() {}

  // How many scene steps the next frame takes: those that fall due by the refresh that will show
  // it (see stepschedule.h). One where nothing paces the frames.
  virtual int PlanFrame() { return 1; }
  // Blocks until the refresh that shows the planned frame begins; sleeps, never spins.
  virtual void WaitForVerticalBlank() = 0;
  // After a pause: the steps start again from the coming refresh, none for the time away.
  virtual void RestartPacing() {}

  // Pixel memory for a back surface of this size that presenting can use without copying it
  // (memory shared with a display server), or a null image for ordinary memory.
  virtual QImage AllocateBackBuffer(QSize) { return {}; }

  // What paces the frames, once known (for the statistics); none without a display.
  virtual const IFramePacer* Pacer() const { return nullptr; }

  // Where this presenter composes frames on a graphics device, what draws them there: the back
  // surface then hands it each recorded frame, and `back` in Present holds nothing of it. None
  // (the default): the processor composes them into `back`.
  virtual IFrameExecutor* Executor() { return nullptr; }
  // The executor failed: from the frame being presented on, frames come composed in `back`.
  virtual void ExecutorFailed() {}
  // What composes the frames, for the statistics: "gl (<device>)" or "software (<why>)".
  virtual std::string RendererDescription() const { return "software"; }
};

}  // namespace tess
