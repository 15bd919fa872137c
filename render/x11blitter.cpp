#include "render/x11blitter.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tess {

namespace {

constexpr uint32_t kPutImageHeaderBytes = 24;
constexpr uint32_t kClipRectanglesHeaderBytes = 12;
// Up to this many parts go one by one; more go in one request with a clip list.
constexpr size_t kFewParts = 4;

// The window's visual must store pixels as we do: 0x00RRGGBB in 32 bits.
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

void DetachMemory(void* address) {
  ::shmdt(address);
}

}  // namespace

TX11Blitter::TX11Blitter(xcb_connection_t* connection, uint32_t window)
    : connection_(connection), window_(window) {}

TX11Blitter::~TX11Blitter() {
  AwaitPut();
  ReleaseSegments();
  if (gc_ != 0) xcb_free_gc(connection_, gc_);
  if (clipGc_ != 0) xcb_free_gc(connection_, clipGc_);
  xcb_disconnect(connection_);
}

std::unique_ptr<TX11Blitter> TX11Blitter::Open(uint32_t window, bool watchWindow,
                                               std::string& error) {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    xcb_disconnect(connection);
    error = "cannot connect to the X display";
    return nullptr;
  }
  std::unique_ptr<TX11Blitter> blitter(new TX11Blitter(connection, window));
  if (!blitter->Setup(watchWindow, error)) return nullptr;
  return blitter;
}

bool TX11Blitter::Setup(bool watchWindow, std::string& error) {
  char id[16];
  std::snprintf(id, sizeof id, "0x%x", window_);
  auto* attributes = xcb_get_window_attributes_reply(
      connection_, xcb_get_window_attributes(connection_, window_), nullptr);
  auto* geometry =
      xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window_), nullptr);
  const bool exists = attributes != nullptr && geometry != nullptr;
  const xcb_visualid_t visual = attributes ? attributes->visual : 0;
  if (geometry) {
    root_ = geometry->root;
    depth_ = geometry->depth;
    initialWidth_ = geometry->width;
    initialHeight_ = geometry->height;
  }
  std::free(attributes);
  std::free(geometry);
  if (!exists) {
    error = std::string("the screen-saver window ") + id + " does not exist";
    return false;
  }
  const xcb_setup_t* setup = xcb_get_setup(connection_);
  if (!VisualMatches(setup, visual, depth_) || !ThirtyTwoBitsPerPixel(setup, depth_)) {
    error = std::string("the window ") + id + " has a pixel format we cannot draw";
    return false;
  }
  if (watchWindow) {
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, window_, XCB_CW_EVENT_MASK, &mask);
  }
  gc_ = xcb_generate_id(connection_);
  const uint32_t noExposures = 0;
  xcb_create_gc(connection_, gc_, window_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
  clipGc_ = xcb_generate_id(connection_);
  xcb_create_gc(connection_, clipGc_, window_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
  maxRequestBytes_ = xcb_get_maximum_request_length(connection_) * 4;
  auto* shm = xcb_shm_query_version_reply(connection_, xcb_shm_query_version(connection_), nullptr);
  // TESSARINE_SHM=0 sends the pixels in the requests, as on a remote display.
  shmAvailable_ = shm != nullptr && qgetenv("TESSARINE_SHM") != "0";
  std::free(shm);
  xcb_flush(connection_);
  return true;
}

void TX11Blitter::ReleaseSegments() {
  for (const Segment& segment : segments_)
    xcb_shm_detach(connection_, segment.id);
  segments_.clear();
  xcb_flush(connection_);
}

QImage TX11Blitter::AllocateBackBuffer(int width, int height) {
  AwaitPut();
  ReleaseSegments();
  if (!shmAvailable_ || width <= 0 || height <= 0) return {};
  const size_t bytes = static_cast<size_t>(width) * height * 4;
  const int id = ::shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (id < 0) return {};
  void* address = ::shmat(id, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    ::shmctl(id, IPC_RMID, nullptr);
    return {};
  }
  const uint32_t segment = xcb_generate_id(connection_);
  xcb_generic_error_t* failure =
      xcb_request_check(connection_, xcb_shm_attach_checked(connection_, segment, id, 0));
  // The segment goes away by itself once both sides have let go of it.
  ::shmctl(id, IPC_RMID, nullptr);
  if (failure != nullptr) {  // a remote server, or no rights: send the pixels instead
    std::free(failure);
    ::shmdt(address);
    shmAvailable_ = false;
    return {};
  }
  segments_.push_back({segment, static_cast<const uchar*>(address)});
  return QImage(static_cast<uchar*>(address), width, height, width * 4, QImage::Format_RGB32,
                &DetachMemory, address);
}

void TX11Blitter::PutCopied(const QImage& back, const QRect& source, QPoint target) {
  // Whole rows in bands that fit one request.
  const uint32_t rowBytes = static_cast<uint32_t>(source.width()) * 4;
  const int rowsPerBand = std::max<int>(1, (maxRequestBytes_ - kPutImageHeaderBytes) / rowBytes);
  for (int top = 0; top < source.height(); top += rowsPerBand) {
    const int rows = std::min(rowsPerBand, source.height() - top);
    const uchar* first = back.constScanLine(source.top() + top) + source.left() * 4;
    const uint8_t* pixels = first;
    if (static_cast<uint32_t>(back.bytesPerLine()) != rowBytes) {  // parts of rows: gather
      band_.resize(static_cast<size_t>(rowBytes) * rows);
      for (int r = 0; r < rows; ++r) {
        std::memcpy(band_.data() + static_cast<size_t>(r) * rowBytes,
                    first + static_cast<ptrdiff_t>(r) * back.bytesPerLine(), rowBytes);
      }
      pixels = band_.data();
    }
    xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_,
                  static_cast<uint16_t>(source.width()), static_cast<uint16_t>(rows),
                  static_cast<int16_t>(target.x()), static_cast<int16_t>(target.y() + top), 0,
                  depth_, rowBytes * static_cast<uint32_t>(rows), pixels);
  }
}

bool TX11Blitter::PutClipped(const QImage& back, uint32_t segment, TPresentParts parts,
                             QPoint offset, const QRect& window) {
  if ((parts.size() * sizeof(xcb_rectangle_t) + kClipRectanglesHeaderBytes) > maxRequestBytes_) {
    return false;
  }
  clip_.clear();
  QRect bounds;
  for (const QRect& part : parts) {
    const QRect target = part.translated(offset) & window;
    if (target.isEmpty()) continue;
    clip_.push_back({static_cast<int16_t>(target.x()), static_cast<int16_t>(target.y()),
                     static_cast<uint16_t>(target.width()),
                     static_cast<uint16_t>(target.height())});
    bounds |= target;
  }
  if (clip_.empty()) return true;
  xcb_set_clip_rectangles(connection_, XCB_CLIP_ORDERING_UNSORTED, clipGc_, 0, 0,
                          static_cast<uint32_t>(clip_.size()), clip_.data());
  const QRect source = bounds.translated(-offset);
  xcb_shm_put_image(connection_, window_, clipGc_, static_cast<uint16_t>(back.width()),
                    static_cast<uint16_t>(back.height()), static_cast<uint16_t>(source.x()),
                    static_cast<uint16_t>(source.y()), static_cast<uint16_t>(source.width()),
                    static_cast<uint16_t>(source.height()), static_cast<int16_t>(bounds.x()),
                    static_cast<int16_t>(bounds.y()), depth_, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment,
                    0);
  return true;
}

void TX11Blitter::Put(const QImage& back, TPresentParts parts, QPoint offset, QSize windowSize) {
  const QRect window(QPoint(0, 0), windowSize);
  const auto shared = std::find_if(segments_.begin(), segments_.end(),
                                   [&](const Segment& s) { return s.data == back.constBits(); });
  const bool clipped = shared != segments_.end() && parts.size() > kFewParts &&
                       PutClipped(back, shared->id, parts, offset, window);
  for (size_t k = 0; k < parts.size() && !clipped; ++k) {
    const QRect target = parts[k].translated(offset) & window;
    if (target.isEmpty()) continue;
    const QRect source = target.translated(-offset);
    if (shared != segments_.end()) {
      xcb_shm_put_image(connection_, window_, gc_, static_cast<uint16_t>(back.width()),
                        static_cast<uint16_t>(back.height()), static_cast<uint16_t>(source.x()),
                        static_cast<uint16_t>(source.y()), static_cast<uint16_t>(source.width()),
                        static_cast<uint16_t>(source.height()), static_cast<int16_t>(target.x()),
                        static_cast<int16_t>(target.y()), depth_, XCB_IMAGE_FORMAT_Z_PIXMAP, 0,
                        shared->id, 0);
    } else {
      PutCopied(back, source, target.topLeft());
    }
  }
  // A round trip whose reply comes once the server has read the shared pixels; it is waited for
  // only when the next frame is about to draw over them.
  AwaitPut();
  pendingReply_ = xcb_get_input_focus(connection_).sequence;
  pending_ = true;
  xcb_flush(connection_);
}

void TX11Blitter::AwaitPut() {
  if (!pending_) return;
  pending_ = false;
  std::free(
      xcb_get_input_focus_reply(connection_, xcb_get_input_focus_cookie_t{pendingReply_}, nullptr));
}

void TX11Blitter::Clear(const QRect& rect) {
  AwaitPut();
  const uint32_t black = 0;
  xcb_change_gc(connection_, gc_, XCB_GC_FOREGROUND, &black);
  const xcb_rectangle_t r{static_cast<int16_t>(rect.x()), static_cast<int16_t>(rect.y()),
                          static_cast<uint16_t>(rect.width()),
                          static_cast<uint16_t>(rect.height())};
  xcb_poly_fill_rectangle(connection_, window_, gc_, 1, &r);
  xcb_flush(connection_);
}

}  // namespace tess
