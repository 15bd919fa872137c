#include "render/gl/eglx11window.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES3/gl3.h>
#include <X11/Xlib.h>

#include <cstring>
#include <vector>

#include "render/gl/eglheadless.h"

namespace tess {

namespace {

Display*& OwnConnection() {
  static Display* connection = nullptr;
  return connection;
}

XErrorHandler& PreviousErrorHandler() {
  static XErrorHandler handler = nullptr;
  return handler;
}

// Xlib's default handler ends the process on any error. A window that goes away while a frame is
// swapped into it (a daemon's, or ours as the saver closes) gives one on our connection: the
// swap then fails and the frames go back to the processor. Errors on other connections go to
// whoever handled them before.
int IgnoreErrorsOnOwnConnection(Display* display, XErrorEvent* event) {
  if (display == OwnConnection()) return 0;
  XErrorHandler previous = PreviousErrorHandler();
  return previous != nullptr ? previous(display, event) : 0;
}

// One connection for every window's context, kept for the life of the process: EGL keeps its
// display per connection, and the windows come and go with the monitors.
EGLDisplay X11EglDisplay(std::string& error) {
  static EGLDisplay display = [&error]() -> EGLDisplay {
    Display* x = XOpenDisplay(nullptr);
    if (x == nullptr) {
      error = "no X display for EGL";
      return EGL_NO_DISPLAY;
    }
    OwnConnection() = x;
    PreviousErrorHandler() = XSetErrorHandler(IgnoreErrorsOnOwnConnection);
    EGLDisplay d = EGL_NO_DISPLAY;
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (client != nullptr && std::strstr(client, "EGL_EXT_platform_x11") != nullptr &&
        getPlatformDisplay != nullptr) {
      d = getPlatformDisplay(EGL_PLATFORM_X11_EXT, x, nullptr);
    } else {
      d = eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(x));
    }
    EGLint major = 0, minor = 0;
    if (d == EGL_NO_DISPLAY || eglInitialize(d, &major, &minor) != EGL_TRUE) {
      error = "EGL does not run on this X display";
      return EGL_NO_DISPLAY;
    }
    return d;
  }();
  if (display == EGL_NO_DISPLAY && error.empty()) error = "EGL does not run on this X display";
  return display;
}

// The configuration made for the window's visual: any other would not match the window.
EGLConfig ConfigForVisual(EGLDisplay display, EGLint visual) {
  const EGLint wanted[] = {EGL_SURFACE_TYPE,
                           EGL_WINDOW_BIT,
                           EGL_RENDERABLE_TYPE,
                           EGL_OPENGL_ES3_BIT,
                           EGL_RED_SIZE,
                           8,
                           EGL_GREEN_SIZE,
                           8,
                           EGL_BLUE_SIZE,
                           8,
                           EGL_NONE};
  EGLint count = 0;
  if (eglChooseConfig(display, wanted, nullptr, 0, &count) != EGL_TRUE || count == 0)
    return nullptr;
  std::vector<EGLConfig> configs(static_cast<size_t>(count));
  eglChooseConfig(display, wanted, configs.data(), count, &count);
  for (EGLConfig config : configs) {
    EGLint id = 0;
    if (eglGetConfigAttrib(display, config, EGL_NATIVE_VISUAL_ID, &id) == EGL_TRUE && id == visual)
      return config;
  }
  return nullptr;
}

// The window's visual, asked over the connection EGL uses.
EGLint VisualOf(uint32_t window) {
  XWindowAttributes attributes{};
  if (OwnConnection() == nullptr ||
      XGetWindowAttributes(OwnConnection(), window, &attributes) == 0 ||
      attributes.visual == nullptr)
    return 0;
  return static_cast<EGLint>(XVisualIDFromVisual(attributes.visual));
}

// While it lives the server serves no other client: a daemon cannot destroy its window between
// our asking that it exists and EGL's surface being made for it, which Mesa does not survive.
// EGL's own requests go over the same connection, so they are served.
class TServerGrab {
 public:
  explicit TServerGrab(Display* x) : x_(x) { XGrabServer(x_); }
  ~TServerGrab() {
    XUngrabServer(x_);
    XFlush(x_);
  }
  TServerGrab(const TServerGrab&) = delete;
  TServerGrab& operator=(const TServerGrab&) = delete;

 private:
  Display* x_;
};

}  // namespace

std::unique_ptr<TEglX11Window> TEglX11Window::Open(uint32_t window, std::string& error) {
  EGLDisplay display = X11EglDisplay(error);
  if (display == EGL_NO_DISPLAY) return nullptr;
  const EGLint visual = VisualOf(window);
  if (visual == 0) {
    error = "the window is gone";
    return nullptr;
  }
  eglBindAPI(EGL_OPENGL_ES_API);
  EGLConfig config = ConfigForVisual(display, visual);
  if (config == nullptr) {
    error = "no OpenGL ES 3.0 configuration for the window's visual";
    return nullptr;
  }
  std::unique_ptr<TEglX11Window> result(new TEglX11Window());
  result->display_ = display;
  const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0,
                               EGL_NONE};
  result->context_ = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
  if (result->context_ == EGL_NO_CONTEXT) {
    result->context_ = nullptr;
    error = "no OpenGL ES 3.0 context";
    return nullptr;
  }
  {
    const TServerGrab grab(OwnConnection());
    if (VisualOf(window) == 0) {
      error = "the window is gone";
      return nullptr;
    }
    result->surface_ =
        eglCreateWindowSurface(display, config, static_cast<EGLNativeWindowType>(window), nullptr);
    if (result->surface_ == EGL_NO_SURFACE) {
      result->surface_ = nullptr;
      error = "EGL cannot draw into the window";
      return nullptr;
    }
    if (!result->MakeCurrent()) {
      error = "the context cannot be made current";
      return nullptr;
    }
  }
  // Frames are paced as on the processor's path (every monitor's window is drawn in turn by one
  // thread: a swap waiting for each one's refresh would wait once per monitor).
  eglSwapInterval(display, 0);
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  result->renderer_ = renderer != nullptr ? renderer : "unknown";
  result->software_ = IsSoftwareRenderer(result->renderer_);
  return result;
}

TEglX11Window::~TEglX11Window() {
  if (display_ == nullptr) return;
  eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (surface_ != nullptr) eglDestroySurface(display_, surface_);
  if (context_ != nullptr) eglDestroyContext(display_, context_);
}

bool TEglX11Window::MakeCurrent() {
  return eglMakeCurrent(display_, surface_, surface_, context_) == EGL_TRUE;
}

bool TEglX11Window::Swap() {
  return eglSwapBuffers(display_, surface_) == EGL_TRUE;
}

}  // namespace tess
