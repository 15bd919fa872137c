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

namespace {

uint32_t Word(const uint8_t* at) {
  uint32_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// Waits for the socket to have something to read until `deadline`; false once it is too late.
bool WaitReadable(int fd, Clock::time_point deadline) {
  pollfd reply{fd, POLLIN, 0};
  int ready;
  do {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    ready = ::poll(&reply, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
  } while (ready < 0 && errno == EINTR);
  return ready > 0 && (reply.revents & POLLIN) != 0;
}

}  // namespace

bool TWaylandGlobalsReader::Feed(const uint8_t* bytes, size_t count) {
  if (done_ || broken_) return false;
  pending_.insert(pending_.end(), bytes, bytes + count);
  size_t at = 0;
  constexpr size_t kHeader = 8;
  while (pending_.size() - at >= kHeader) {
    const uint32_t object = Word(&pending_[at]);
    const uint32_t size = Word(&pending_[at + 4]) >> 16;
    const uint32_t opcode = Word(&pending_[at + 4]) & 0xffffu;
    if (size < kHeader || size % 4 != 0) {
      broken_ = true;
      return false;
    }
    if (pending_.size() - at < size) break;
    if (object == kRegistry && opcode == 0) ReadGlobal(&pending_[at + kHeader], size - kHeader);
    if (object == kCallback && opcode == 0) done_ = true;
    at += size;
    if (done_ || broken_) return false;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
  return true;
}

// wl_registry.global: name (uint), interface (string: its length with the terminating zero, the
// bytes, padding to a whole word), version (uint).
void TWaylandGlobalsReader::ReadGlobal(const uint8_t* arguments, size_t size) {
  if (size < 8) {
    broken_ = true;
    return;
  }
  const uint32_t length = Word(arguments + 4);
  if (length == 0 || length > size - 8 || arguments[8 + length - 1] != '\0') {
    broken_ = true;
    return;
  }
  interfaces_.emplace_back(reinterpret_cast<const char*>(arguments + 8), length - 1);
}

bool WaylandDisplayOffers(const std::string& interface, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  // Tried once: a display that refuses is no reason to wait.
  const int fd = ConnectToCompositor(WaylandSocketPath(), Clock::now());
  if (fd < 0) return false;
  // wl_display.get_registry (request 1, new registry object 2), then wl_display.sync (request 0,
  // new callback object 3): the globals come before the callback's "done".
  const uint32_t requests[] = {1, (12u << 16) | 1u, TWaylandGlobalsReader::kRegistry,
                               1, (12u << 16) | 0u, TWaylandGlobalsReader::kCallback};
  TWaylandGlobalsReader reader;
  if (::send(fd, requests, sizeof requests, MSG_NOSIGNAL) ==
      static_cast<ssize_t>(sizeof requests)) {
    uint8_t buffer[4096];
    while (WaitReadable(fd, deadline)) {
      const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (got <= 0 || !reader.Feed(buffer, static_cast<size_t>(got))) break;
    }
  }
  ::close(fd);
  const auto& offered = reader.Interfaces();
  return reader.Done() && std::find(offered.begin(), offered.end(), interface) != offered.end();
}

}  // namespace tess
