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
constexpr uint32_t kDrmVBlankAbsolute = 0x0;
constexpr uint32_t kDrmVBlankRelative = 0x1;
constexpr unsigned long kDrmIoctlWaitVBlank =
    (3ul << 30) | (sizeof(DrmWaitVBlank) << 16) | ('d' << 8) | 0x3a;  // _IOWR('d', 0x3a, ...)

double PlausibleRefreshHz(double refreshHz) {
  return std::isfinite(refreshHz) && refreshHz >= kMinRefreshHz && refreshHz <= kMaxRefreshHz
             ? refreshHz
             : kFallbackRefreshHz;
}

int64_t PeriodOf(double refreshHz) {
  return std::llround(1e9 / refreshHz);
}

// Refreshes are the controller's blank sequence numbers (32 bits that wrap, counted on in 64).
class TDrmVerticalBlank : public TScheduledPacer {
 public:
  TDrmVerticalBlank(int fd, double refreshHz) : TScheduledPacer(refreshHz), fd_(fd) {}
  ~TDrmVerticalBlank() override { ::close(fd_); }

  // Waits for a blank (relative: that many from now; absolute: that sequence number) and notes
  // the sequence number it came with.
  bool Wait(uint32_t type, uint32_t sequence) {
    DrmWaitVBlank wait{};
    wait.request.type = type;
    wait.request.sequence = sequence;
    int result;
    do {
      result = ::ioctl(fd_, kDrmIoctlWaitVBlank, &wait);
    } while (result != 0 && errno == EINTR);
    if (result != 0) return false;
    if (!counting_) {
      counting_ = true;
      lastSequence_ = wait.reply.sequence;
    }
    refreshes_ += static_cast<uint32_t>(wait.reply.sequence - lastSequence_);
    lastSequence_ = wait.reply.sequence;
    return true;
  }

  std::string Description() const override {
    return lost_ ? "refresh limiter (vertical blank lost)" : "vertical blank of /dev/dri/card0";
  }

 protected:
  int64_t CurrentRefresh() override {
    if (!lost_ && !Wait(kDrmVBlankRelative, 0)) LoseBlanks();
    if (lost_) return (MonotonicNanoseconds() - lostOrigin_) / PeriodOf(refreshHz_);
    return refreshes_;
  }

  void SleepUntilRefresh(int64_t refresh) override {
    const int64_t ahead = refresh - refreshes_;
    if (!lost_ && ahead > 0 &&
        !Wait(kDrmVBlankAbsolute, lastSequence_ + static_cast<uint32_t>(ahead))) {
      LoseBlanks();
    }
    if (lost_) SleepUntilNanoseconds(lostOrigin_ + refresh * PeriodOf(refreshHz_));
  }

 private:
  // The display went off or away: keep the pace with a clock from now on, the refreshes counted
  // on from where the blanks stopped.
  void LoseBlanks() {
    lost_ = true;
    lostOrigin_ = MonotonicNanoseconds() - refreshes_ * PeriodOf(refreshHz_);
  }

  int fd_;
  bool counting_ = false;
  uint32_t lastSequence_ = 0;
  int64_t refreshes_ = 0;
  bool lost_ = false;
  int64_t lostOrigin_ = 0;
};

}  // namespace

// ---- TScheduledPacer ----------------------------------------------------------------------------

TScheduledPacer::TScheduledPacer(double refreshHz)
    : refreshHz_(PlausibleRefreshHz(refreshHz)), schedule_(refreshHz_) {}

int TScheduledPacer::PlanFrame() {
  const int64_t current = CurrentRefresh();
  if (!started_) {
    started_ = true;
    schedule_.Restart(current);
  }
  const TStepSchedule::TFrame frame = schedule_.Next(current);
  plannedRefresh_ = frame.refresh;
  planned_ = true;
  return frame.steps;
}

void TScheduledPacer::WaitForVerticalBlank() {
  if (!planned_) PlanFrame();
  planned_ = false;
  SleepUntilRefresh(plannedRefresh_);
}

void TScheduledPacer::Restart() {
  planned_ = false;
  started_ = false;  // the next plan starts the schedule again at the refresh it finds
}

// ---- TRefreshLimiter ----------------------------------------------------------------------------

TRefreshLimiter::TRefreshLimiter(double refreshHz, Clock clock, SleepUntil sleepUntil)
    : TScheduledPacer(refreshHz),
      clock_(clock ? std::move(clock) : Clock(&MonotonicNanoseconds)),
      sleepUntil_(sleepUntil ? std::move(sleepUntil) : SleepUntil(&SleepUntilNanoseconds)),
      period_(PeriodOf(refreshHz_)) {}

int64_t TRefreshLimiter::CurrentRefresh() {
  const int64_t now = clock_();
  if (origin_ < 0) origin_ = now;
  return (now - origin_) / period_;
}

void TRefreshLimiter::SleepUntilRefresh(int64_t refresh) {
  sleepUntil_(origin_ + refresh * period_);
}

std::string TRefreshLimiter::Description() const {
  return "refresh limiter";
}

std::unique_ptr<IFramePacer> OpenDrmVerticalBlank(double refreshHz) {
  const int fd = ::open("/dev/dri/card0", O_RDWR | O_CLOEXEC);
  if (fd < 0) return nullptr;
  auto pacer = std::make_unique<TDrmVerticalBlank>(fd, refreshHz);
  // Three blanks must come, at a rate between 24 and 500 per second, before we trust them.
  const int64_t start = MonotonicNanoseconds();
  for (int i = 0; i < 3; ++i) {
    if (!pacer->Wait(kDrmVBlankRelative, 1)) return nullptr;
  }
  const double perBlank = static_cast<double>(MonotonicNanoseconds() - start) / 3e9;
  if (perBlank < 1.0 / kMaxRefreshHz || perBlank > 1.0 / kMinRefreshHz) return nullptr;
  return pacer;
}

std::unique_ptr<IFramePacer> CreateDisplayPacer(double refreshHz) {
  refreshHz = PlausibleRefreshHz(refreshHz);
  const char* choice = std::getenv("TESSARINE_PACING");
  const bool limiterOnly = choice && std::strcmp(choice, "limiter") == 0;
  if (!limiterOnly) {
    if (auto vblank = OpenDrmVerticalBlank(refreshHz)) return vblank;
  }
  return std::make_unique<TRefreshLimiter>(refreshHz);
}

}  // namespace tess
