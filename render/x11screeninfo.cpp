#include "render/x11screeninfo.h"

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string_view>

namespace tess {

namespace {

// xcb replies are malloc'ed.
template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T>
Reply<T> Own(T* reply) {
  return Reply<T>(reply, &std::free);
}

QRect RectOf(int x, int y, int w, int h) {
  return QRect(x, y, w, h);
}

}  // namespace

QRect RootRect(xcb_connection_t* connection, uint32_t root) {
  const auto geometry =
      Own(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, root), nullptr));
  return geometry ? RectOf(0, 0, geometry->width, geometry->height) : QRect();
}

QPoint OriginOnRoot(xcb_connection_t* connection, uint32_t window, uint32_t root) {
  const auto at = Own(xcb_translate_coordinates_reply(
      connection, xcb_translate_coordinates(connection, window, root, 0, 0), nullptr));
  return at ? QPoint(at->dst_x, at->dst_y) : QPoint();
}

QRect PrimaryMonitorRect(xcb_connection_t* connection, uint32_t root) {
  const auto monitors = Own(xcb_randr_get_monitors_reply(
      connection, xcb_randr_get_monitors(connection, root, 1), nullptr));
  if (monitors && monitors->nMonitors > 0) {
    QRect first;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem;
         xcb_randr_monitor_info_next(&it)) {
      const xcb_randr_monitor_info_t* m = it.data;
      const QRect rect = RectOf(m->x, m->y, m->width, m->height);
      if (m->primary) return rect;
      if (first.isNull()) first = rect;
    }
    if (!first.isEmpty()) return first;
  }
  return RootRect(connection, root);
}

double RefreshRateAt(xcb_connection_t* connection, uint32_t root, QPoint point) {
  const auto resources = Own(xcb_randr_get_screen_resources_current_reply(
      connection, xcb_randr_get_screen_resources_current(connection, root), nullptr));
  if (!resources) return 0;
  const xcb_randr_crtc_t* crtcs = xcb_randr_get_screen_resources_current_crtcs(resources.get());
  const xcb_randr_mode_info_t* modes =
      xcb_randr_get_screen_resources_current_modes(resources.get());
  const int modeCount = xcb_randr_get_screen_resources_current_modes_length(resources.get());
  double first = 0;
  for (int c = 0; c < xcb_randr_get_screen_resources_current_crtcs_length(resources.get()); ++c) {
    const auto crtc = Own(xcb_randr_get_crtc_info_reply(
        connection, xcb_randr_get_crtc_info(connection, crtcs[c], resources->config_timestamp),
        nullptr));
    if (!crtc || crtc->mode == XCB_NONE) continue;
    for (int m = 0; m < modeCount; ++m) {
      const xcb_randr_mode_info_t& mode = modes[m];
      if (mode.id != crtc->mode || mode.htotal == 0 || mode.vtotal == 0) continue;
      const double hz = double(mode.dot_clock) / (double(mode.htotal) * mode.vtotal);
      if (RectOf(crtc->x, crtc->y, crtc->width, crtc->height).contains(point)) return hz;
      if (first == 0) first = hz;
    }
  }
  return first;
}

double XftDpi(xcb_connection_t* connection, uint32_t root) {
  const auto property = Own(xcb_get_property_reply(
      connection,
      xcb_get_property(connection, 0, root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 1 << 16),
      nullptr));
  if (!property) return 0;
  const std::string_view resources(
      static_cast<const char*>(xcb_get_property_value(property.get())),
      static_cast<size_t>(xcb_get_property_value_length(property.get())));
  constexpr std::string_view kName = "Xft.dpi:";
  for (size_t start = 0; start < resources.size();) {
    size_t end = resources.find('\n', start);
    if (end == std::string_view::npos) end = resources.size();
    const std::string_view line = resources.substr(start, end - start);
    if (line.starts_with(kName)) {
      const std::string value(line.substr(kName.size()));
      return std::strtod(value.c_str(), nullptr);
    }
    start = end + 1;
  }
  return 0;
}

std::bitset<256> KeysHeldDown() {
  std::bitset<256> held;
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection) == 0) {
    if (auto* keymap = xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr)) {
      for (size_t code = 0; code < held.size(); ++code)
        held[code] = (keymap->keys[code / 8] >> (code % 8)) & 1;
      std::free(keymap);
    }
  }
  xcb_disconnect(connection);
  return held;
}

}  // namespace tess
