#include "render/framepacer.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "render/displayscale.h"

namespace tess {

namespace {

constexpr double kMinRefreshHz = 24.0;
constexpr double kMaxRefreshHz = 500.0;
constexpr double kFallbackRefreshHz = 60.0;

int64_t MonotonicNanoseconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

void SleepUntilNanoseconds(int64_t deadline) {
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(deadline / 1'000'000'000);
  ts.tv_nsec = static_cast<long>(deadline % 1'000'000'000);
  while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

// The kernel's vertical-blank request (a stable part of the DRM ioctl interface).
struct DrmWaitVBlankRequest {
  uint32_t type;
  uint32_t sequence;
  unsigned long signal;
};
struct DrmWaitVBlankReply {
  uint32_t type;
  uint32_t sequence;
  long tvalSec;
  long tvalUsec;
};
union DrmWaitVBlank {
  DrmWaitVBlankRequest request;
  DrmWaitVBlankReply reply;
};
constexpr uint32_t kDrmVBlankRelative = 0x1;
constexpr unsigned long kDrmIoctlWaitVBlank =
    (3ul << 30) | (sizeof(DrmWaitVBlank) << 16) | ('d' << 8) | 0x3a;  // _IOWR('d', 0x3a, ...)

double PlausibleRefreshHz(double refreshHz) {
  return std::isfinite(refreshHz) && refreshHz >= kMinRefreshHz && refreshHz <= kMaxRefreshHz
             ? refreshHz
             : kFallbackRefreshHz;
}

class TDrmVerticalBlank : public IFramePacer {
 public:
  TDrmVerticalBlank(int fd, double refreshHz, int refreshesPerStep)
      : fd_(fd), refreshHz_(refreshHz), refreshesPerStep_(refreshesPerStep) {}
  ~TDrmVerticalBlank() override { ::close(fd_); }

  bool WaitOnce(uint32_t blanks = 1) {
    DrmWaitVBlank wait{};
    wait.request.type = kDrmVBlankRelative;
    wait.request.sequence = blanks;
    int result;
    do {
      result = ::ioctl(fd_, kDrmIoctlWaitVBlank, &wait);
    } while (result != 0 && errno == EINTR);
    return result == 0;
  }

  void WaitForVerticalBlank() override {
    if (fallback_) {
      fallback_->WaitForVerticalBlank();
    } else if (!WaitOnce(static_cast<uint32_t>(refreshesPerStep_))) {
      // The display went off or away: keep the pace with the limiter from now on.
      fallback_ = std::make_unique<TRefreshLimiter>(refreshHz_, refreshesPerStep_);
      fallback_->WaitForVerticalBlank();
    }
  }

  std::string Description() const override {
    return fallback_ ? fallback_->Description() + " (vertical blank lost)"
                     : "vertical blank of /dev/dri/card0";
  }
  double RefreshHz() const override { return refreshHz_; }
  int RefreshesPerStep() const override { return refreshesPerStep_; }

 private:
  int fd_;
  double refreshHz_;
  int refreshesPerStep_;
  std::unique_ptr<IFramePacer> fallback_;
};

}  // namespace

TRefreshLimiter::TRefreshLimiter(double refreshHz, int refreshesPerStep, Clock clock,
                                 SleepUntil sleepUntil)
    : clock_(clock ? std::move(clock) : Clock(&MonotonicNanoseconds)),
      sleepUntil_(sleepUntil ? std::move(sleepUntil) : SleepUntil(&SleepUntilNanoseconds)),
      refreshHz_(PlausibleRefreshHz(refreshHz)),
      refreshesPerStep_(std::max(refreshesPerStep, 1)),
      period_(std::llround(1e9 * refreshesPerStep_ / refreshHz_)) {}

void TRefreshLimiter::WaitForVerticalBlank() {
  const int64_t now = clock_();
  if (origin_ < 0) origin_ = now;
  const int64_t next = origin_ + ((now - origin_) / period_ + 1) * period_;
  sleepUntil_(next);
}

std::string TRefreshLimiter::Description() const {
  return "refresh limiter";
}

std::unique_ptr<IFramePacer> OpenDrmVerticalBlank(double refreshHz, int refreshesPerStep) {
  const int fd = ::open("/dev/dri/card0", O_RDWR | O_CLOEXEC);
  if (fd < 0) return nullptr;
  auto pacer = std::make_unique<TDrmVerticalBlank>(fd, refreshHz, refreshesPerStep);
  // Three blanks must come, at a rate between 24 and 500 per second, before we trust them.
  const int64_t start = MonotonicNanoseconds();
  for (int i = 0; i < 3; ++i) {
    if (!pacer->WaitOnce()) return nullptr;
  }
  const double perBlank = static_cast<double>(MonotonicNanoseconds() - start) / 3e9;
  if (perBlank < 1.0 / kMaxRefreshHz || perBlank > 1.0 / kMinRefreshHz) return nullptr;
  return pacer;
}

std::unique_ptr<IFramePacer> CreateDisplayPacer(double refreshHz) {
  refreshHz = PlausibleRefreshHz(refreshHz);
  const int refreshesPerStep = RefreshesPerStep(refreshHz);
  const char* choice = std::getenv("TESSARINE_PACING");
  const bool limiterOnly = choice && std::strcmp(choice, "limiter") == 0;
  if (!limiterOnly) {
    if (auto vblank = OpenDrmVerticalBlank(refreshHz, refreshesPerStep)) return vblank;
  }
  return std::make_unique<TRefreshLimiter>(refreshHz, refreshesPerStep);
}

}  // namespace tess
