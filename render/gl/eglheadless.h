#pragma once
// A GL context without any window system: EGL on the device's own display (Mesa's surfaceless
// platform, or the default display where that is missing), OpenGL ES 3.0, drawing only into
// frame buffer objects. Headless rendering, the tests and the start-up self-check use it.
#include <string>

namespace tess {

class TEglHeadless {
 public:
  TEglHeadless();  // makes the context current on success
  ~TEglHeadless();
  TEglHeadless(const TEglHeadless&) = delete;
  TEglHeadless& operator=(const TEglHeadless&) = delete;

  bool Ready() const { return context_ != nullptr; }
  // Why there is no context.
  const std::string& Error() const { return error_; }
  bool MakeCurrent();

  // GL_RENDERER, and whether it is a rasteriser running on the processor.
  const std::string& Renderer() const { return renderer_; }
  bool Software() const { return software_; }

 private:
  void* display_ = nullptr;
  void* context_ = nullptr;
  std::string error_;
  std::string renderer_;
  bool software_ = false;
};

// Whether a GL_RENDERER string names one of Mesa's rasterisers on the processor.
bool IsSoftwareRenderer(const std::string& renderer);

}  // namespace tess
