#include "render/gl/glimagepresenter.h"

#include <cstring>

#include "render/gl/eglheadless.h"
#include "render/gl/glcomposer.h"
#include "render/scaledpresenter.h"

namespace tess {

TGlImagePresenter::TGlImagePresenter(QSize logicalSize, int scale)
    : logical_(logicalSize),
      scale_(std::max(scale, 1)),
      context_(std::make_unique<TEglHeadless>()),
      screen_(logicalSize * scale_, QImage::Format_RGB32) {
  screen_.fill(Qt::black);
  if (!context_->Ready()) {
    why_ = context_->Error();
    return;
  }
  composer_ = std::make_unique<TGlComposer>();
  if (!composer_->Ready()) {
    why_ = composer_->Error();
    return;
  }
  onDevice_ = true;
}

TGlImagePresenter::~TGlImagePresenter() {
  if (context_->Ready()) context_->MakeCurrent();  // the composer's objects go in its context
  composer_.reset();
}

std::string TGlImagePresenter::Renderer() const {
  return context_->Renderer();
}

IFrameExecutor* TGlImagePresenter::Executor() {
  return OnDevice() ? this : nullptr;
}

bool TGlImagePresenter::Execute(const TRecordedFrame& frame) {
  return context_->MakeCurrent() && composer_->Execute(frame);
}

void TGlImagePresenter::ExecutorFailed() {
  onDevice_ = false;
  why_ = composer_->Error();
}

void TGlImagePresenter::Present(const QImage& back, TPresentParts, QPoint offset) {
  if (OnDevice()) {
    readBack_ = false;  // read when looked at: most headless frames never are
    return;
  }
  const QImage enlarged = scale_ == 1 ? back : EnlargedPixels(back, scale_);
  screen_.fill(Qt::black);
  for (int y = 0; y < enlarged.height(); ++y) {
    const int row = y + offset.y() * scale_;
    if (row < 0 || row >= screen_.height()) continue;
    const int left = std::max(0, offset.x() * scale_);
    const int skip = left - offset.x() * scale_;
    const int count = std::min(enlarged.width() - skip, screen_.width() - left);
    if (count > 0) {
      std::memcpy(screen_.scanLine(row) + left * 4, enlarged.constScanLine(y) + skip * 4,
                  static_cast<size_t>(count) * 4);
    }
  }
  readBack_ = true;
}

const QImage& TGlImagePresenter::Screen() {
  if (!readBack_ && OnDevice()) {
    context_->MakeCurrent();
    screen_ = composer_->ReadBack(scale_);
    readBack_ = true;
  }
  return screen_;
}

}  // namespace tess
