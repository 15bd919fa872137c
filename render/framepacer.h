#pragma once
// Pacing of presented frames to the display's refresh. Where the kernel's display driver can be
// asked, a Flip waits for the real vertical blank; otherwise (a virtual X server, a remote
// display, no access to the graphics device) a limiter sleeps to the next tick of a grid at the
// screen's refresh rate. Both sleep; neither spins.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tess {

class IFramePacer {
 public:
  virtual ~IFramePacer() = default;
  // Blocks until the display's next refresh begins.
  virtual void WaitForVerticalBlank() = 0;
  virtual std::string Description() const = 0;
};

// Sleeps until the next point of a grid t0 + k * period. A frame that took longer than a period
// waits for the following grid point, as a real vertical blank would make it.
class TRefreshLimiter : public IFramePacer {
 public:
  using Clock = std::function<int64_t()>;           // nanoseconds, monotonic
  using SleepUntil = std::function<void(int64_t)>;  // absolute nanoseconds
  explicit TRefreshLimiter(double refreshHz, Clock clock = {}, SleepUntil sleepUntil = {});

  void WaitForVerticalBlank() override;
  std::string Description() const override;
  int64_t PeriodNanoseconds() const { return period_; }

 private:
  Clock clock_;
  SleepUntil sleepUntil_;
  int64_t period_;
  int64_t origin_ = -1;
};

// The vertical blank of the first display controller, through the kernel's DRM interface.
// Null when there is no usable device or its blanks do not come at a plausible rate.
std::unique_ptr<IFramePacer> OpenDrmVerticalBlank();

// The best pacer for a display with the given refresh rate: its vertical blank when it can be
// had, else the limiter. TESSARINE_PACING=limiter forces the limiter.
std::unique_ptr<IFramePacer> CreateDisplayPacer(double refreshHz);

}  // namespace tess
