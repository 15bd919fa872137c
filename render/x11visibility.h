#pragma once
// Follows one X window's visibility over a connection of our own, so that it works alike for our
// windows and for a window a screen-saver daemon owns: VisibilityNotify says when the window is
// fully covered, MapNotify and UnmapNotify when it is shown or taken away (a minimised window is
// unmapped), and the DPMS extension whether the monitors are powered (asked, as it has no
// events; a server without it counts as on). A compositing manager keeps every window
// "unobscured"; it then pauses only on the other two.
#include <cstdint>
#include <memory>

#include "render/visibility.h"

struct xcb_connection_t;

namespace tess {

class TX11VisibilityWatch {
 public:
  // Null when the display cannot be reached.
  static std::unique_ptr<TX11VisibilityWatch> Open(uint32_t window);
  ~TX11VisibilityWatch();
  TX11VisibilityWatch(const TX11VisibilityWatch&) = delete;
  TX11VisibilityWatch& operator=(const TX11VisibilityWatch&) = delete;

  // Readable when events wait.
  int FileDescriptor() const;
  // Takes in the events that wait and tells the visibility now.
  TVisibility Update();
  // What the Qt window of a platform tells besides (exposure).
  TVisibilityState& State() { return state_; }

 private:
  TX11VisibilityWatch(xcb_connection_t* connection, uint32_t window);
  bool MonitorsOn();

  xcb_connection_t* connection_;
  uint32_t window_;
  bool hasDpms_ = false;
  TVisibilityState state_;
};

}  // namespace tess
