#pragma once
// The saver's window with its frames composed on the graphics device: the GL composer draws each
// recorded frame into its frame buffer object, which is enlarged by whole pixels into the
// window's buffer and swapped. Frames are paced to the screen's refresh as on the processor's
// path. Opening refuses a device the renderer choice does not allow, or one whose self-check
// differs from the processor; after a failure the window's owner presents frames composed on
// the processor instead.
#include <memory>
#include <string>

#include "render/frameexecutor.h"
#include "render/widgetpresenters.h"

namespace tess {

class TEglX11Window;
class TGlComposer;

class TGlWindowPresenter : public TWidgetPresenter, private IFrameExecutor {
 public:
  // Null, with the reason in `why`, where the window's frames stay on the processor.
  static std::unique_ptr<TGlWindowPresenter> Open(QWidget& widget, int scale, std::string& why);
  ~TGlWindowPresenter() override;

  bool OnDevice() const { return onDevice_; }
  const std::string& Why() const { return why_; }
  std::string Description() const;

  void Present(const QImage& back, TPresentParts parts, QPoint offset) override;
  IFrameExecutor* Executor() override { return onDevice_ ? this : nullptr; }
  void ExecutorFailed() override;
  // Paints the window black (before the first frame exists).
  void Clear();

 private:
  TGlWindowPresenter(QWidget& widget, int scale, std::unique_ptr<TEglX11Window> window);
  bool Execute(const TRecordedFrame& frame) override;
  void Fail(const std::string& why);

  int scale_;
  std::unique_ptr<TEglX11Window> window_;
  std::unique_ptr<TGlComposer> composer_;
  bool onDevice_ = true;
  std::string why_;
  // TESSARINE_FAIL_DEVICE_AFTER=N: the device is lost at the N-th frame (for the tests of the
  // way back); 0 for never.
  long failAfter_ = 0;
  long frames_ = 0;
};

}  // namespace tess
