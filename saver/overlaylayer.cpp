#include "saver/overlaylayer.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#ifdef TESSARINE_LAYER_SHELL
#include <QtGui/qguiapplication_platform.h>
#include <wayland-client.h>
#include <LayerShellQt/Window>

#include <cstring>
#endif

namespace tess {

namespace {

// The output each window's layer surface was made for; a screen that went reads as null.
const char* const kLayerOutputProperty = "tessarineLayerOutput";
const char* const kMovingProperty = "tessarineMovingToAnotherOutput";

#ifdef TESSARINE_LAYER_SHELL

// Asks the compositor's registry, on an event queue of our own so that the GUI layer's queue and
// its listeners see nothing of it.
bool CompositorOffers(const char* interfaceName) {
  auto* application = qGuiApp->nativeInterface<QNativeInterface::QWaylandApplication>();
  wl_display* display = application != nullptr ? application->display() : nullptr;
  if (display == nullptr) return false;
  struct TSearch {
    const char* name;
    bool found;
  } search{interfaceName, false};
  static const wl_registry_listener listener = {
      [](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
        auto* wanted = static_cast<TSearch*>(data);
        if (std::strcmp(interface, wanted->name) == 0) wanted->found = true;
      },
      [](void*, wl_registry*, uint32_t) {},
  };
  wl_event_queue* queue = wl_display_create_queue(display);
  auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
  wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
  wl_registry* registry = wl_display_get_registry(wrapper);
  wl_registry_add_listener(registry, &listener, &search);
  const bool answered = wl_display_roundtrip_queue(display, queue) >= 0;
  wl_registry_destroy(registry);
  wl_proxy_wrapper_destroy(wrapper);
  wl_event_queue_destroy(queue);
  return answered && search.found;
}

void MakeLayerSurface(QWidget& window) {
  window.winId();  // the platform window, which the layer surface is made for before it shows
  auto* layer = LayerShellQt::Window::get(window.windowHandle());
  layer->setLayer(LayerShellQt::Window::LayerOverlay);
  layer->setAnchors(LayerShellQt::Window::Anchors(
      LayerShellQt::Window::AnchorTop | LayerShellQt::Window::AnchorBottom |
      LayerShellQt::Window::AnchorLeft | LayerShellQt::Window::AnchorRight));
  layer->setExclusiveZone(-1);
  layer->setKeyboardInteractivity(LayerShellQt::Window::KeyboardInteractivityExclusive);
  layer->setScreenConfiguration(LayerShellQt::Window::ScreenFromQWindow);
  layer->setScope(QStringLiteral("tessarine"));
  // An output that goes away dismisses its surface; the window must then move to another output,
  // not close, which would end the saver.
  layer->setCloseOnDismissed(false);
}

#endif

}  // namespace

QScreen* OverlayLayerOutput(const QWidget& window) {
  return window.property(kLayerOutputProperty).value<QPointer<QScreen>>().data();
}

bool UseOverlayLayer() {
#ifdef TESSARINE_LAYER_SHELL
  static const bool offered = QGuiApplication::platformName() == QLatin1String("wayland") &&
                              CompositorOffers("zwlr_layer_shell_v1");
  return offered;
#else
  return false;
#endif
}

void CoverScreenInOverlayLayer(QWidget& window, QScreen* screen) {
#ifdef TESSARINE_LAYER_SHELL
  if (screen == nullptr || OverlayLayerOutput(window) == screen) return;
  // Not while the window's first showing is under way: only one that had a surface moves.
  const bool moving = window.property(kLayerOutputProperty).isValid() && window.isVisible();
  window.setProperty(kLayerOutputProperty, QVariant::fromValue(QPointer<QScreen>(screen)));
  if (moving) {
    window.setProperty(kMovingProperty, true);
    window.hide();
  }
  window.setScreen(screen);
  MakeLayerSurface(window);
  // The compositor gives an anchored surface its output's size; the widget still needs a size of
  // its own, since one of none is never shown. Only now: a size may show the window at once.
  window.setGeometry(screen->geometry());
  if (moving) {
    window.show();
    window.setProperty(kMovingProperty, QVariant());
  }
#else
  (void)window;
  (void)screen;
#endif
}

bool MovingToAnotherOutput(const QWidget& window) {
  return window.property(kMovingProperty).toBool();
}

}  // namespace tess
