#pragma once
// Whether the displays the program will use answer at all. A display that accepts the connection
// but never answers would hang the start inside the GUI layer with nothing said, holding the
// instance guard so that every later start ends silently; we ask first, with a time limit.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace tess {

enum class TDisplayAnswer { kAnswers, kRefuses, kSilent };

// Asks the X display of $DISPLAY, on a thread of its own, and waits at most `limit` for its
// answer. A refused connection is tried again for a moment: an X server started without
// -noreset resets itself when its last client leaves (a saver just killed, say) and refuses
// connections meanwhile. The connection it makes is kept until this object goes, so that the
// server cannot reset between this probe and the GUI layer's own connection right after it.
class TXDisplayProbe {
 public:
  TXDisplayProbe();
  ~TXDisplayProbe();
  TXDisplayProbe(const TXDisplayProbe&) = delete;
  TXDisplayProbe& operator=(const TXDisplayProbe&) = delete;

  TDisplayAnswer Probe(std::chrono::milliseconds limit);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

// Asks the Wayland display of $WAYLAND_DISPLAY (a name in $XDG_RUNTIME_DIR, "wayland-0" when
// unset, or an absolute path) for a round trip, and waits at most `limit` for its answer.
TDisplayAnswer ProbeWaylandDisplay(std::chrono::milliseconds limit);

// Reads a Wayland compositor's answer to wl_display.get_registry (registry object 2) followed by
// wl_display.sync (callback object 3): the interfaces of the globals it lists, up to the
// callback's "done". Whatever does not parse as the wire format ends the reading.
class TWaylandGlobalsReader {
 public:
  static constexpr uint32_t kRegistry = 2;
  static constexpr uint32_t kCallback = 3;

  // Takes the next bytes from the compositor; false once nothing more is to be read.
  bool Feed(const uint8_t* bytes, size_t count);
  bool Done() const { return done_; }
  bool Broken() const { return broken_; }
  const std::vector<std::string>& Interfaces() const { return interfaces_; }

 private:
  void ReadGlobal(const uint8_t* arguments, size_t size);

  std::vector<uint8_t> pending_;
  std::vector<std::string> interfaces_;
  bool done_ = false;
  bool broken_ = false;
};

// Whether the Wayland display of $WAYLAND_DISPLAY lists a global of that interface, asked within
// `limit`; false for a display that refuses, stays silent or speaks no Wayland.
bool WaylandDisplayOffers(const std::string& interface, std::chrono::milliseconds limit);

// How long a refused connection is tried again.
inline constexpr std::chrono::milliseconds kRefusalRetry{1500};

}  // namespace tess
