#pragma once
// Puts frames into an X window over a connection of our own. Where the X server shares memory
// with us (MIT-SHM, a local display) the back surface lives in a shared segment and each changed
// rectangle goes to the window straight from it, with no copy on our side; elsewhere the pixels
// travel in the requests.
#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/presenter.h"

struct xcb_connection_t;
struct xcb_rectangle_t;

namespace tess {

class TX11Blitter {
 public:
  // Connects to the display and prepares drawing into `window`; on failure returns null and
  // says why. `watchWindow` asks for the window's size changes and destruction as events.
  static std::unique_ptr<TX11Blitter> Open(uint32_t window, bool watchWindow, std::string& error);
  ~TX11Blitter();
  TX11Blitter(const TX11Blitter&) = delete;
  TX11Blitter& operator=(const TX11Blitter&) = delete;

  xcb_connection_t* Connection() const { return connection_; }
  uint32_t Window() const { return window_; }
  uint32_t Root() const { return root_; }
  uint8_t Depth() const { return depth_; }
  // The window's size when it was opened.
  int InitialWidth() const { return initialWidth_; }
  int InitialHeight() const { return initialHeight_; }
  bool SharesMemory() const { return shmAvailable_; }

  // Pixel memory for a back surface that the server can read directly, or a null image when
  // memory cannot be shared. Buffers handed out before are let go: the surface that used them
  // is gone when a new one is made.
  QImage AllocateBackBuffer(int width, int height);

  // Copies `parts` of `back` (placed at `offset` in the window) into the window. From shared
  // memory many parts go in one request: the server copies what the parts, as a clip list, let
  // through of their bounding box. Returns without waiting for the server to read the pixels.
  void Put(const QImage& back, TPresentParts parts, QPoint offset, QSize windowSize);
  // Returns once the server has read the pixels of the last Put: the next frame may draw over
  // them then.
  void AwaitPut();
  // Paints a rectangle of the window black (before the first frame exists).
  void Clear(const QRect& rect);

 private:
  TX11Blitter(xcb_connection_t* connection, uint32_t window);
  bool Setup(bool watchWindow, std::string& error);
  void ReleaseSegments();
  void PutCopied(const QImage& back, const QRect& source, QPoint target);
  // False when the parts are too many for one request; nothing is sent then.
  bool PutClipped(const QImage& back, uint32_t segment, TPresentParts parts, QPoint offset,
                  const QRect& window);

  struct Segment {
    uint32_t id = 0;
    const uchar* data = nullptr;
  };

  xcb_connection_t* connection_;
  uint32_t window_;
  uint32_t root_ = 0;
  uint32_t gc_ = 0;
  uint32_t clipGc_ = 0;  // with the clip list of the parts being presented
  uint8_t depth_ = 0;
  int initialWidth_ = 0;
  int initialHeight_ = 0;
  uint32_t maxRequestBytes_ = 0;
  bool shmAvailable_ = false;
  std::vector<Segment> segments_;
  std::vector<uint8_t> band_;  // reused for every copied frame
  std::vector<xcb_rectangle_t> clip_;
  // The round trip after the last Put, whose reply says the server is done with its pixels.
  unsigned int pendingReply_ = 0;
  bool pending_ = false;
};

}  // namespace tess
