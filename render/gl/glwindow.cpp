#include "render/gl/glwindow.h"

#include <GLES3/gl3.h>

#include <cstdio>
#include <cstdlib>

#include "render/gl/eglx11window.h"
#include "render/gl/glcomposer.h"
#include "render/gl/rendererchoice.h"
#include "render/gl/selfcheck.h"

namespace tess {

std::unique_ptr<TGlWindow> TGlWindow::Open(uint32_t window, std::string& why) {
  const TRendererMode mode = RendererModeFromEnvironment();
  if (mode == TRendererMode::kSoftware) {
    why = "TESSARINE_RENDERER=software";
    return nullptr;
  }
  auto context = TEglX11Window::Open(window, why);
  if (!context) return nullptr;
  return Open(std::move(context), why);
}

std::unique_ptr<TGlWindow> TGlWindow::Open(std::unique_ptr<IGlSurface> surface, std::string& why) {
  const TRendererMode mode = RendererModeFromEnvironment();
  if (why = RefuseDevice(mode, surface->Renderer(), surface->Software()); !why.empty())
    return nullptr;
  if (!surface->MakeCurrent()) {
    why = "the context cannot be made current";
    return nullptr;
  }
  std::unique_ptr<TGlWindow> result(new TGlWindow(std::move(surface)));
  if (!result->composer_->Ready()) {
    why = result->composer_->Error();
    return nullptr;
  }
  // TESSARINE_SELF_CHECK=0 skips the check: for measuring on Mesa's no-op driver, which draws
  // nothing and so can never pass it.
  if (const char* skip = std::getenv("TESSARINE_SELF_CHECK"); skip != nullptr && skip[0] == '0')
    return result;
  const TSelfCheck check = RunSelfCheck(*result->composer_);
  if (std::getenv("TESSARINE_STATS") != nullptr) {
    std::fprintf(stderr, "tessarine: self-check on the graphics device: %s in %.1f ms\n",
                 check.passed ? "passed" : "failed", check.milliseconds);
  }
  if (!check.passed || std::getenv("TESSARINE_FAIL_SELF_CHECK") != nullptr) {
    why = check.passed ? "the self-check was made to fail" : check.why;
    return nullptr;
  }
  return result;
}

TGlWindow::TGlWindow(std::unique_ptr<IGlSurface> window)
    : window_(std::move(window)), composer_(std::make_unique<TGlComposer>()) {
  if (const char* after = std::getenv("TESSARINE_FAIL_DEVICE_AFTER")) failAfter_ = std::atol(after);
}

TGlWindow::~TGlWindow() {
  window_->MakeCurrent();  // the composer's objects go in its context
  composer_.reset();
}

std::string TGlWindow::Description() const {
  return onDevice_ ? DescribeGl(window_->Renderer()) : DescribeSoftware(why_);
}

void TGlWindow::Fail(const std::string& why) {
  if (!onDevice_) return;
  onDevice_ = false;
  why_ = "the graphics device failed: " + why;
}

void TGlWindow::ComposerFailed() {
  Fail(composer_->Error());
}

bool TGlWindow::Execute(const TRecordedFrame& frame) {
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

void TGlWindow::Show(QSize size) {
  if (!onDevice_) return;
  if (!composer_->Show(window_->Framebuffer(), size.width(), size.height(), scale_, true) ||
      !window_->Swap())
    Fail("the frame could not be shown");
}

void TGlWindow::Clear(QSize size) {
  if (!onDevice_ || !window_->MakeCurrent()) return;
  glBindFramebuffer(GL_FRAMEBUFFER, window_->Framebuffer());
  glViewport(0, 0, size.width(), size.height());
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  if (!window_->Swap()) Fail("the window could not be cleared");
}

}  // namespace tess
