#include "render/gl/glwindowpresenter.h"

#include <GLES3/gl3.h>

#include <QWidget>
#include <cstdio>
#include <cstdlib>

#include "render/gl/eglx11window.h"
#include "render/gl/glcomposer.h"
#include "render/gl/rendererchoice.h"
#include "render/gl/selfcheck.h"

namespace tess {

std::unique_ptr<TGlWindowPresenter> TGlWindowPresenter::Open(QWidget& widget, int scale,
                                                             std::string& why) {
  const TRendererMode mode = RendererModeFromEnvironment();
  if (mode == TRendererMode::kSoftware) {
    why = "TESSARINE_RENDERER=software";
    return nullptr;
  }
  auto window = TEglX11Window::Open(static_cast<uint32_t>(widget.winId()), why);
  if (!window) return nullptr;
  if (why = RefuseDevice(mode, window->Renderer(), window->Software()); !why.empty())
    return nullptr;
  std::unique_ptr<TGlWindowPresenter> presenter(
      new TGlWindowPresenter(widget, scale, std::move(window)));
  if (!presenter->composer_->Ready()) {
    why = presenter->composer_->Error();
    return nullptr;
  }
  // TESSARINE_SELF_CHECK=0 skips the check: for measuring on Mesa's no-op driver, which draws
  // nothing and so can never pass it.
  if (const char* check = std::getenv("TESSARINE_SELF_CHECK"); check != nullptr && check[0] == '0')
    return presenter;
  const TSelfCheck check = RunSelfCheck(*presenter->composer_);
  if (std::getenv("TESSARINE_STATS") != nullptr) {
    std::fprintf(stderr, "tessarine: self-check on the graphics device: %s in %.1f ms\n",
                 check.passed ? "passed" : "failed", check.milliseconds);
  }
  if (!check.passed || std::getenv("TESSARINE_FAIL_SELF_CHECK") != nullptr) {
    why = check.passed ? "the self-check was made to fail" : check.why;
    return nullptr;
  }
  return presenter;
}

TGlWindowPresenter::TGlWindowPresenter(QWidget& widget, int scale,
                                       std::unique_ptr<TEglX11Window> window)
    : TWidgetPresenter(widget),
      scale_(scale),
      window_(std::move(window)),
      composer_(std::make_unique<TGlComposer>()) {
  if (const char* after = std::getenv("TESSARINE_FAIL_DEVICE_AFTER")) failAfter_ = std::atol(after);
}

TGlWindowPresenter::~TGlWindowPresenter() {
  window_->MakeCurrent();  // the composer's objects go in its context
  composer_.reset();
}

std::string TGlWindowPresenter::Description() const {
  return onDevice_ ? DescribeGl(window_->Renderer()) : DescribeSoftware(why_);
}

void TGlWindowPresenter::Fail(const std::string& why) {
  if (!onDevice_) return;
  onDevice_ = false;
  why_ = "the graphics device failed: " + why;
}

void TGlWindowPresenter::ExecutorFailed() {
  Fail(composer_->Error());
}

bool TGlWindowPresenter::Execute(const TRecordedFrame& frame) {
  if (!onDevice_) return false;  // failed while showing the last frame
  if (++frames_ == failAfter_) {
    Fail("the device was lost (made to fail)");
    return false;
  }
  if (!window_->MakeCurrent()) {
    Fail("the context cannot be made current");
    return false;
  }
  return composer_->Execute(frame);
}

void TGlWindowPresenter::Present(const QImage&, TPresentParts, QPoint) {
  if (!onDevice_) return;
  const QSize size = ClientSize();
  if (!composer_->Show(0, size.width(), size.height(), scale_, true) || !window_->Swap())
    Fail("the frame could not be shown");
}

void TGlWindowPresenter::Clear() {
  if (!onDevice_ || !window_->MakeCurrent()) return;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  const QSize size = ClientSize();
  glViewport(0, 0, size.width(), size.height());
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  if (!window_->Swap()) Fail("the window could not be cleared");
}

}  // namespace tess
