#include "render/x11windowpresenter.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "render/framepacer.h"

namespace tess {

namespace {

constexpr double kDaemonRefreshHz = 60.0;
constexpr uint32_t kPutImageHeaderBytes = 24;

// The visual of the window must store pixels as we do: 0x00RRGGBB in 32 bits.
bool VisualMatches(const xcb_setup_t* setup, xcb_visualid_t visual, uint8_t depth) {
  for (auto screens = xcb_setup_roots_iterator(setup); screens.rem; xcb_screen_next(&screens)) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem;
         xcb_depth_next(&depths)) {
      if (depths.data->depth != depth) continue;
      for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
           xcb_visualtype_next(&visuals)) {
        const xcb_visualtype_t* v = visuals.data;
        if (v->visual_id != visual) continue;
        return v->red_mask == 0xFF0000 && v->green_mask == 0x00FF00 && v->blue_mask == 0x0000FF;
      }
    }
  }
  return false;
}

bool ThirtyTwoBitsPerPixel(const xcb_setup_t* setup, uint8_t depth) {
  for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem;
       xcb_format_next(&formats)) {
    if (formats.data->depth == depth) return formats.data->bits_per_pixel == 32;
  }
  return false;
}

}  // namespace

std::optional<uint32_t> DaemonWindowFromEnvironment() {
  const char* text = std::getenv("XSCREENSAVER_WINDOW");
  if (text == nullptr || *text == '\0') return std::nullopt;
  char* end = nullptr;
  const unsigned long long id = std::strtoull(text, &end, 0);  // 0x... or decimal
  if (end == text || *end != '\0' || id == 0 || id > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<uint32_t>(id);
}

TX11WindowPresenter::TX11WindowPresenter(xcb_connection_t* connection, uint32_t window)
    : connection_(connection), window_(window) {}

TX11WindowPresenter::~TX11WindowPresenter() {
  if (gc_ != 0) xcb_free_gc(connection_, gc_);
  xcb_disconnect(connection_);
}

std::unique_ptr<TX11WindowPresenter> TX11WindowPresenter::Attach(uint32_t window,
                                                                 std::string& error) {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    xcb_disconnect(connection);
    error = "cannot connect to the X display";
    return nullptr;
  }
  std::unique_ptr<TX11WindowPresenter> presenter(new TX11WindowPresenter(connection, window));
  if (!presenter->Setup(error)) return nullptr;
  return presenter;
}

bool TX11WindowPresenter::Setup(std::string& error) {
  char id[16];
  std::snprintf(id, sizeof id, "0x%x", window_);
  auto* attributes = xcb_get_window_attributes_reply(
      connection_, xcb_get_window_attributes(connection_, window_), nullptr);
  auto* geometry =
      xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window_), nullptr);
  const bool exists = attributes != nullptr && geometry != nullptr;
  const xcb_visualid_t visual = attributes ? attributes->visual : 0;
  if (geometry) {
    depth_ = geometry->depth;
    size_ = QSize(geometry->width, geometry->height);
  }
  std::free(attributes);
  std::free(geometry);
  if (!exists) {
    error = std::string("the screen-saver window ") + id + " does not exist";
    return false;
  }
  const xcb_setup_t* setup = xcb_get_setup(connection_);
  if (!VisualMatches(setup, visual, depth_) || !ThirtyTwoBitsPerPixel(setup, depth_)) {
    error = std::string("the screen-saver window ") + id + " has a pixel format we cannot draw";
    return false;
  }
  // Size changes and the window's end reach us as events on our own connection.
  const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  xcb_change_window_attributes(connection_, window_, XCB_CW_EVENT_MASK, &mask);
  gc_ = xcb_generate_id(connection_);
  const uint32_t noExposures = 0;
  xcb_create_gc(connection_, gc_, window_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
  maxRequestBytes_ = xcb_get_maximum_request_length(connection_) * 4;
  xcb_flush(connection_);
  pacer_ = CreateDisplayPacer(kDaemonRefreshHz);
  return true;
}

int TX11WindowPresenter::FileDescriptor() const {
  return xcb_get_file_descriptor(connection_);
}

void TX11WindowPresenter::Present(const QImage& back, const QRegion& area, QPoint offset) {
  if (!alive_) return;
  const QRect window(QPoint(0, 0), size_);
  for (const QRect& part : area) {
    const QRect target = part.translated(offset) & window;
    if (target.isEmpty()) continue;
    const QRect source = target.translated(-offset);
    // Whole rows in bands that fit one request.
    const uint32_t rowBytes = static_cast<uint32_t>(source.width()) * 4;
    const int rowsPerBand = std::max<int>(1, (maxRequestBytes_ - kPutImageHeaderBytes) / rowBytes);
    for (int top = 0; top < source.height(); top += rowsPerBand) {
      const int rows = std::min(rowsPerBand, source.height() - top);
      const uchar* first = back.constScanLine(source.top() + top) + source.left() * 4;
      const uint8_t* pixels = first;
      // Rows that follow each other in memory go as they are; parts of rows are gathered.
      if (static_cast<uint32_t>(back.bytesPerLine()) != rowBytes) {
        band_.resize(static_cast<size_t>(rowBytes) * rows);
        for (int r = 0; r < rows; ++r) {
          std::memcpy(band_.data() + static_cast<size_t>(r) * rowBytes,
                      first + static_cast<ptrdiff_t>(r) * back.bytesPerLine(), rowBytes);
        }
        pixels = band_.data();
      }
      xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_,
                    static_cast<uint16_t>(source.width()), static_cast<uint16_t>(rows),
                    static_cast<int16_t>(target.left()), static_cast<int16_t>(target.top() + top),
                    0, depth_, rowBytes * static_cast<uint32_t>(rows), pixels);
    }
  }
  xcb_flush(connection_);
}

void TX11WindowPresenter::WaitForVerticalBlank() {
  pacer_->WaitForVerticalBlank();
}

bool TX11WindowPresenter::ProcessEvents(std::string& reason) {
  while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
    const uint8_t type = event->response_type & 0x7F;
    if (type == 0) {
      const auto* error = reinterpret_cast<xcb_generic_error_t*>(event);
      if (error->error_code == XCB_WINDOW || error->error_code == XCB_DRAWABLE) {
        alive_ = false;
        reason = "the screen-saver window went away";
      }
    } else if (type == XCB_DESTROY_NOTIFY) {
      alive_ = false;
      reason = "the screen-saver window went away";
    } else if (type == XCB_CONFIGURE_NOTIFY) {
      const auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event);
      if (configure->window == window_) size_ = QSize(configure->width, configure->height);
    }
    std::free(event);
  }
  if (xcb_connection_has_error(connection_)) {
    alive_ = false;
    reason = "the connection to the X display broke";
  }
  return alive_;
}

}  // namespace tess
