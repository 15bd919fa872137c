#include "render/gl/qtglsurface.h"

#include <GLES3/gl3.h>

#include <QOpenGLContext>

#include "render/gl/eglheadless.h"

namespace tess {

TQtGlSurface::TQtGlSurface(QWidget* parent) : QOpenGLWidget(parent) {
  // What is drawn stays until the next frame replaces it: Qt may show the widget again without
  // asking us (an exposure, the window composed for another reason).
  setUpdateBehavior(QOpenGLWidget::PartialUpdate);
  // Input goes to the drawing surface's widget beneath, as without it.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

bool TQtGlSurface::Ready() const {
  return context() != nullptr && context()->isValid();
}

void TQtGlSurface::initializeGL() {
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  renderer_ = renderer != nullptr ? renderer : "";
  software_ = IsSoftwareRenderer(renderer_);
}

bool TQtGlSurface::MakeCurrent() {
  if (!Ready()) return false;
  makeCurrent();
  return QOpenGLContext::currentContext() == context();
}

uint32_t TQtGlSurface::Framebuffer() const {
  return defaultFramebufferObject();
}

bool TQtGlSurface::Swap() {
  update();  // Qt shows the frame buffer with its window at the next chance
  return Ready();
}

}  // namespace tess
