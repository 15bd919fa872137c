#pragma once
// A GL context that draws into an X window, any X window (the saver's own, or one a screen-saver
// daemon made): EGL on a display connection of our own, with a configuration made for the
// window's own visual (another visual would be refused by the server), OpenGL ES 3.0.
#include <cstdint>
#include <memory>
#include <string>

#include "render/gl/glsurface.h"

namespace tess {

class TEglX11Window : public IGlSurface {
 public:
  // Null, with the reason in `error`, when the window cannot get such a context.
  static std::unique_ptr<TEglX11Window> Open(uint32_t window, std::string& error);
  ~TEglX11Window() override;
  TEglX11Window(const TEglX11Window&) = delete;
  TEglX11Window& operator=(const TEglX11Window&) = delete;

  bool MakeCurrent() override;
  uint32_t Framebuffer() const override { return 0; }
  bool Swap() override;

  const std::string& Renderer() const override { return renderer_; }
  bool Software() const override { return software_; }

 private:
  TEglX11Window() = default;

  void* display_ = nullptr;
  void* context_ = nullptr;
  void* surface_ = nullptr;
  std::string renderer_;
  bool software_ = false;
};

}  // namespace tess
