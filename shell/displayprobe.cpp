#include "shell/displayprobe.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>
#include <string>
#include <thread>

namespace tess {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kRetryPause{50};

}  // namespace

// What the probing thread and the probe share: the thread may outlive the probe (a silent
// display), and a connection made after the probe gave up is closed by whoever comes last.
struct TXDisplayProbe::Shared {
  std::mutex mutex;
  xcb_connection_t* connection = nullptr;
  bool abandoned = false;
  ~Shared() {
    if (connection != nullptr) xcb_disconnect(connection);
  }
};

TXDisplayProbe::TXDisplayProbe() : shared_(std::make_shared<Shared>()) {}

TXDisplayProbe::~TXDisplayProbe() {
  std::lock_guard lock(shared_->mutex);
  shared_->abandoned = true;
  if (shared_->connection != nullptr) xcb_disconnect(shared_->connection);
  shared_->connection = nullptr;
}

TDisplayAnswer TXDisplayProbe::Probe(std::chrono::milliseconds limit) {
  auto answer = std::make_shared<std::promise<bool>>();
  std::future<bool> answered = answer->get_future();
  // The thread may stay blocked for good; it shares nothing with us but what it keeps, and the
  // process ends soon after a silent display.
  std::thread([answer, shared = shared_] {
    const auto giveUp = Clock::now() + kRefusalRetry;
    xcb_connection_t* connection = nullptr;
    while (true) {
      connection = xcb_connect(nullptr, nullptr);
      if (xcb_connection_has_error(connection) == 0 || Clock::now() >= giveUp) break;
      xcb_disconnect(connection);
      connection = nullptr;
      std::this_thread::sleep_for(kRetryPause);
    }
    const bool connected = xcb_connection_has_error(connection) == 0;
    {
      std::lock_guard lock(shared->mutex);
      if (connected && !shared->abandoned) {
        shared->connection = connection;
        connection = nullptr;
      }
    }
    if (connection != nullptr) xcb_disconnect(connection);
    answer->set_value(connected);
  }).detach();
  if (answered.wait_for(limit) != std::future_status::ready) return TDisplayAnswer::kSilent;
  return answered.get() ? TDisplayAnswer::kAnswers : TDisplayAnswer::kRefuses;
}

namespace {

std::string WaylandSocketPath() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  std::string display = name != nullptr && *name != '\0' ? name : "wayland-0";
  if (display.front() == '/') return display;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') return {};
  return std::string(runtime) + "/" + display;
}

// A connected, non-blocking socket to the compositor, or -1 once it refuses for good.
int ConnectToCompositor(const std::string& path, Clock::time_point giveUp) {
  sockaddr_un address{};
  if (path.empty() || path.size() >= sizeof address.sun_path) return -1;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  while (true) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
    ::close(fd);
    if (Clock::now() >= giveUp) return -1;
    std::this_thread::sleep_for(kRetryPause);
  }
}

}  // namespace

TDisplayAnswer ProbeWaylandDisplay(std::chrono::milliseconds limit) {
  const auto start = Clock::now();
  const int fd = ConnectToCompositor(WaylandSocketPath(), start + kRefusalRetry);
  if (fd < 0) return TDisplayAnswer::kRefuses;
  // wl_display.sync (object 1, request 0) with a new callback object 2: the compositor answers
  // with the callback's "done" event.
  const uint32_t sync[] = {1, (12u << 16) | 0u, 2};
  if (::send(fd, sync, sizeof sync, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof sync)) {
    ::close(fd);
    return TDisplayAnswer::kRefuses;
  }
  pollfd reply{fd, POLLIN, 0};
  int ready;
  do {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(limit - (Clock::now() - start));
    ready = ::poll(&reply, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
  } while (ready < 0 && errno == EINTR);
  ::close(fd);
  if (ready == 0) return TDisplayAnswer::kSilent;
  return ready > 0 && (reply.revents & POLLIN) != 0 ? TDisplayAnswer::kAnswers
                                                    : TDisplayAnswer::kRefuses;
}

}  // namespace tess
