#pragma once
// The window-system side of composing on the graphics device: a GL context that draws into a
// window. The saver's and a daemon's X windows have one of EGL on our own X connection; on other
// displays (Wayland) Qt's OpenGL widget gives one inside its own window.
#include <cstdint>
#include <string>

namespace tess {

class IGlSurface {
 public:
  virtual ~IGlSurface() = default;
  virtual bool MakeCurrent() = 0;
  // The frame buffer the window shows, to draw the frame into (0: the window's own).
  virtual uint32_t Framebuffer() const = 0;
  // Shows what was drawn into it; false when the device or the window is gone.
  virtual bool Swap() = 0;
  // GL_RENDERER, and whether that is a rasteriser on the processor.
  virtual const std::string& Renderer() const = 0;
  virtual bool Software() const = 0;
};

}  // namespace tess
