#pragma once
// Frames composed on the graphics device without a display: each frame is drawn by the GL
// composer in a headless context and read back into an image, enlarged `scale` times as a HiDPI
// screen shows it. Should the device fail, frames come from the processor instead, enlarged the
// same way. Headless rendering and the tests use it.
#include <QImage>
#include <memory>
#include <string>

#include "render/frameexecutor.h"
#include "render/presenter.h"

namespace tess {

class TEglHeadless;
class TGlComposer;

class TGlImagePresenter : public IPresenter, private IFrameExecutor {
 public:
  explicit TGlImagePresenter(QSize logicalSize, int scale = 1);
  ~TGlImagePresenter() override;

  // Whether frames are composed on the device (false: there is no usable context, see Why, or
  // the device failed since).
  bool OnDevice() const { return composer_ != nullptr && onDevice_; }
  const std::string& Why() const { return why_; }
  // GL_RENDERER of the context, when there is one.
  std::string Renderer() const;
  const TGlComposer* Composer() const { return composer_.get(); }

  QSize ClientSize() const override { return logical_; }
  void Present(const QImage& back, TPresentParts parts, QPoint offset) override;
  void WaitForVerticalBlank() override {}
  IFrameExecutor* Executor() override;
  void ExecutorFailed() override;

  // What the "display" shows now, at the device size.
  const QImage& Screen();

 private:
  // Draws in this presenter's context, whichever was current before.
  bool Execute(const TRecordedFrame& frame) override;

  QSize logical_;
  int scale_;
  std::unique_ptr<TEglHeadless> context_;
  std::unique_ptr<TGlComposer> composer_;
  bool onDevice_ = false;
  bool readBack_ = true;  // the screen holds the last frame
  std::string why_;
  QImage screen_;
};

}  // namespace tess
