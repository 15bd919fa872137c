#pragma once
// Composing on the graphics device where our own X connection cannot reach the window (Wayland):
// Qt's OpenGL widget, laid over the drawing surface's widget, gives a context and a frame buffer
// that Qt shows as part of its window. It must exist before the window is first shown, so that
// Qt makes that window for GL from the start.
#include <QOpenGLWidget>
#include <string>

#include "render/gl/glsurface.h"

namespace tess {

class TQtGlSurface : public QOpenGLWidget, public IGlSurface {
 public:
  explicit TQtGlSurface(QWidget* parent);

  // Whether Qt made the widget's context (once it was shown).
  bool Ready() const;

  bool MakeCurrent() override;
  uint32_t Framebuffer() const override;
  bool Swap() override;
  const std::string& Renderer() const override { return renderer_; }
  bool Software() const override { return software_; }

 protected:
  void initializeGL() override;
  void paintGL() override {}  // the frame is drawn when it is made, and kept

 private:
  std::string renderer_;
  bool software_ = false;
};

}  // namespace tess
