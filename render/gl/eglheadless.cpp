#include "render/gl/eglheadless.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES3/gl3.h>

#include <cstring>

namespace tess {

namespace {

bool HasExtension(const char* list, const char* name) {
  if (list == nullptr) return false;
  const size_t length = std::strlen(name);
  for (const char* p = std::strstr(list, name); p != nullptr; p = std::strstr(p + 1, name)) {
    if ((p == list || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0')) return true;
  }
  return false;
}

EGLDisplay OpenDisplay() {
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
    const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay != nullptr) {
      EGLDisplay display =
          getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
      if (display != EGL_NO_DISPLAY) return display;
    }
  }
  return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

}  // namespace

bool IsSoftwareRenderer(const std::string& renderer) {
  for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"}) {
    if (renderer.find(name) != std::string::npos) return true;
  }
  return false;
}

TEglHeadless::TEglHeadless() {
  EGLDisplay display = OpenDisplay();
  EGLint major = 0, minor = 0;
  if (display == EGL_NO_DISPLAY || eglInitialize(display, &major, &minor) != EGL_TRUE) {
    error_ = "no EGL display";
    return;
  }
  display_ = display;
  const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
  if (!HasExtension(extensions, "EGL_KHR_surfaceless_context") ||
      !HasExtension(extensions, "EGL_KHR_no_config_context")) {
    error_ = "EGL cannot draw without a surface here";
    return;
  }
  if (eglBindAPI(EGL_OPENGL_ES_API) != EGL_TRUE) {
    error_ = "EGL has no OpenGL ES";
    return;
  }
  const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0,
                               EGL_NONE};
  EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
  if (context == EGL_NO_CONTEXT) {
    error_ = "no OpenGL ES 3.0 context";
    return;
  }
  context_ = context;
  if (!MakeCurrent()) {
    error_ = "the context cannot be made current";
    eglDestroyContext(display, context);
    context_ = nullptr;
    return;
  }
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  renderer_ = renderer != nullptr ? renderer : "unknown";
  software_ = IsSoftwareRenderer(renderer_);
}

bool TEglHeadless::MakeCurrent() {
  return context_ != nullptr &&
         eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
}

TEglHeadless::~TEglHeadless() {
  if (display_ == nullptr) return;
  eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context_ != nullptr) eglDestroyContext(display_, context_);
  // The display stays initialised: EGL keeps one per process, and terminating it would take
  // every other context on it along.
}

}  // namespace tess
