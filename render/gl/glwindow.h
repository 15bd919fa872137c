#pragma once
// A window whose frames are composed on the graphics device: the GL composer draws each recorded
// frame into its frame buffer object, which is enlarged by whole pixels into the window's buffer
// and swapped. Any X window will do (the saver's own, or a daemon's), or Qt's OpenGL widget on
// other displays. Opening refuses a device the renderer choice does not allow, or one whose
// self-check differs from the processor; after a failure (Execute false, or OnDevice false after
// Show) the window's owner presents frames composed on the processor instead. Pacing stays with
// the owner.
#include <QSize>
#include <cstdint>
#include <memory>
#include <string>

#include "render/frameexecutor.h"

namespace tess {

class IGlSurface;
class TGlComposer;

class TGlWindow : public IFrameExecutor {
 public:
  // Null, with the reason in `why`, where the window's frames stay on the processor: for the X
  // window `window`, or for a surface whose context is made (given up when refused).
  static std::unique_ptr<TGlWindow> Open(uint32_t window, std::string& why);
  static std::unique_ptr<TGlWindow> Open(std::unique_ptr<IGlSurface> surface, std::string& why);
  ~TGlWindow() override;

  bool OnDevice() const { return onDevice_; }
  // "gl (<device>)", or "software (<why the device was given up>)".
  std::string Description() const;

  // Frames are composed at the window's size divided by `scale` and enlarged that many times.
  void SetScale(int scale) { scale_ = scale; }
  bool Execute(const TRecordedFrame& frame) override;
  // Shows the last frame in a window of `size` device pixels.
  void Show(QSize size);
  // Paints the window black (before the first frame exists).
  void Clear(QSize size);
  // The composer said why it failed: the device is given up.
  void ComposerFailed();

 private:
  explicit TGlWindow(std::unique_ptr<IGlSurface> window);
  void Fail(const std::string& why);

  int scale_ = 1;
  std::unique_ptr<IGlSurface> window_;
  std::unique_ptr<TGlComposer> composer_;
  bool onDevice_ = true;
  std::string why_;
  // TESSARINE_FAIL_DEVICE_AFTER=N: the device is lost at the N-th frame (for the tests of the
  // way back); 0 for never.
  long failAfter_ = 0;
  long frames_ = 0;
};

}  // namespace tess
