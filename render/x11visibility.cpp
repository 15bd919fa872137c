#include "render/x11visibility.h"

#include <xcb/dpms.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace tess {

namespace {

// DPMS power levels: on, standby, suspend, off.
constexpr uint16_t kDpmsModeOn = 0;

}  // namespace

TX11VisibilityWatch::TX11VisibilityWatch(xcb_connection_t* connection, uint32_t window)
    : connection_(connection), window_(window), state_([this] { return MonitorsOn(); }) {}

TX11VisibilityWatch::~TX11VisibilityWatch() {
  xcb_disconnect(connection_);
}

std::unique_ptr<TX11VisibilityWatch> TX11VisibilityWatch::Open(uint32_t window) {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    xcb_disconnect(connection);
    return nullptr;
  }
  std::unique_ptr<TX11VisibilityWatch> watch(new TX11VisibilityWatch(connection, window));
  const xcb_query_extension_reply_t* dpms = xcb_get_extension_data(connection, &xcb_dpms_id);
  watch->hasDpms_ = dpms != nullptr && dpms->present;
  // Events first, then the state: a change between the two comes as an event.
  const uint32_t mask = XCB_EVENT_MASK_VISIBILITY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
  if (auto* attributes = xcb_get_window_attributes_reply(
          connection, xcb_get_window_attributes(connection, window), nullptr)) {
    watch->state_.SetMapped(attributes->map_state != XCB_MAP_STATE_UNMAPPED);
    std::free(attributes);
  }
  return watch;
}

int TX11VisibilityWatch::FileDescriptor() const {
  return xcb_get_file_descriptor(connection_);
}

bool TX11VisibilityWatch::MonitorsOn() {
  if (!hasDpms_) return true;
  auto* info = xcb_dpms_info_reply(connection_, xcb_dpms_info(connection_), nullptr);
  if (info == nullptr) return true;
  const bool on = !info->state || info->power_level == kDpmsModeOn;
  std::free(info);
  return on;
}

TVisibility TX11VisibilityWatch::Update() {
  // The monitors first: asking about them reads the connection, and events that come with the
  // answer would no longer wake whoever waits on the connection. They are taken in below.
  state_.Current();
  while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
    switch (event->response_type & 0x7F) {
      case XCB_VISIBILITY_NOTIFY: {
        const auto* visibility = reinterpret_cast<xcb_visibility_notify_event_t*>(event);
        if (visibility->window == window_) {
          state_.SetFullyObscured(visibility->state == XCB_VISIBILITY_FULLY_OBSCURED);
        }
        break;
      }
      case XCB_MAP_NOTIFY:
        if (reinterpret_cast<xcb_map_notify_event_t*>(event)->window == window_)
          state_.SetMapped(true);
        break;
      case XCB_UNMAP_NOTIFY:
        if (reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window == window_)
          state_.SetMapped(false);
        break;
      default:
        break;  // errors (a window that went away) are the presenter's to tell
    }
    std::free(event);
  }
  return state_.Current();
}

}  // namespace tess
