#include "render/x11windowpresenter.h"

#include <xcb/xcb.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "render/framepacer.h"
#include "render/gl/glwindow.h"
#include "render/gl/rendererchoice.h"
#include "render/x11blitter.h"
#include "render/x11screeninfo.h"

namespace tess {

std::optional<uint32_t> DaemonWindowFromEnvironment(std::string& problem) {
  problem.clear();
  const char* text = std::getenv("XSCREENSAVER_WINDOW");
  if (text == nullptr || *text == '\0') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const bool digitsFirst = *text >= '0' && *text <= '9';       // no sign, no blank
  const unsigned long long id = std::strtoull(text, &end, 0);  // 0x... or decimal
  if (!digitsFirst || errno != 0 || *end != '\0' || id == 0 || id > 0xFFFFFFFFull) {
    problem = std::string("XSCREENSAVER_WINDOW='") + text + "' names no window";
    return std::nullopt;
  }
  return static_cast<uint32_t>(id);
}

TX11WindowPresenter::TX11WindowPresenter(std::unique_ptr<TX11Blitter> blitter)
    : blitter_(std::move(blitter)), size_(blitter_->InitialWidth(), blitter_->InitialHeight()) {
  xcb_connection_t* connection = blitter_->Connection();
  const uint32_t root = blitter_->Root();
  screen_ = RootRect(connection, root).size();
  primaryMonitor_ = PrimaryMonitorRect(connection, root).size();
  dpi_ = XftDpi(connection, root);
  const QPoint origin = OriginOnRoot(connection, blitter_->Window(), root);
  // The refresh of the monitor the window's middle is on; 60 per second when nobody can tell.
  const QSize visible = Bounded(size_);
  const double hz =
      RefreshRateAt(connection, root, origin + QPoint(visible.width() / 2, visible.height() / 2));
  pacer_ = CreateDisplayPacer(hz > 0 ? hz : 60.0);
  SayWhenBounded();
}

void TX11WindowPresenter::SayWhenBounded() {
  // Said once: a daemon that keeps resizing its window must not fill the log.
  if (Bounded(size_) == size_ || saidBounded_) return;
  saidBounded_ = true;
  std::fprintf(stderr,
               "tessarine: the window 0x%x is %dx%d, larger than the screen: frames are %dx%d\n",
               blitter_->Window(), size_.width(), size_.height(), Bounded(size_).width(),
               Bounded(size_).height());
  std::fflush(stderr);
}

TX11WindowPresenter::~TX11WindowPresenter() = default;

std::unique_ptr<TX11WindowPresenter> TX11WindowPresenter::Attach(uint32_t window,
                                                                 std::string& error) {
  auto blitter = TX11Blitter::Open(window, true, error);
  if (!blitter) return nullptr;
  return std::unique_ptr<TX11WindowPresenter>(new TX11WindowPresenter(std::move(blitter)));
}

uint32_t TX11WindowPresenter::Window() const {
  return blitter_->Window();
}

int TX11WindowPresenter::FileDescriptor() const {
  return xcb_get_file_descriptor(blitter_->Connection());
}

void TX11WindowPresenter::UseGraphicsDevice(int scale) {
  gl_ = TGlWindow::Open(blitter_->Window(), software_);
  if (gl_) gl_->SetScale(scale);
  AnnounceRenderer(RendererDescription());
}

IFrameExecutor* TX11WindowPresenter::Executor() {
  return gl_ && gl_->OnDevice() ? gl_.get() : nullptr;
}

void TX11WindowPresenter::ExecutorFailed() {
  if (gl_) gl_->ComposerFailed();
  AnnounceRenderer(RendererDescription());
}

std::string TX11WindowPresenter::RendererDescription() const {
  return gl_ ? gl_->Description() : DescribeSoftware(software_);
}

QImage TX11WindowPresenter::AllocateBackBuffer(QSize size) {
  if (Executor() != nullptr) return {};  // the back surface's pixels are the fallback's alone
  return blitter_->AllocateBackBuffer(size.width(), size.height());
}

void TX11WindowPresenter::Present(const QImage& back, TPresentParts parts, QPoint offset) {
  if (!alive_) return;
  if (Executor() == nullptr) return blitter_->Put(back, parts, offset, size_);
  gl_->Show(size_);  // the whole window: frames from its top left, as on the processor
  if (!gl_->OnDevice()) AnnounceRenderer(RendererDescription());  // the processor takes over
}

void TX11WindowPresenter::AwaitPresented() {
  blitter_->AwaitPut();
}

int TX11WindowPresenter::PlanFrame() {
  return pacer_->PlanFrame();
}

void TX11WindowPresenter::WaitForVerticalBlank() {
  pacer_->WaitForVerticalBlank();
}

void TX11WindowPresenter::RestartPacing() {
  pacer_->Restart();
}

bool TX11WindowPresenter::ProcessEvents(std::string& reason) {
  xcb_connection_t* connection = blitter_->Connection();
  while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
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
      if (configure->window == blitter_->Window() &&
          QSize(configure->width, configure->height) != size_) {
        size_ = QSize(configure->width, configure->height);
        SayWhenBounded();
      }
    }
    std::free(event);
  }
  if (xcb_connection_has_error(connection)) {
    alive_ = false;
    reason = "the connection to the X display broke";
  }
  return alive_;
}

}  // namespace tess
