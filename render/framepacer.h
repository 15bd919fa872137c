#pragma once
// Pacing of presented frames to the display's refresh. Where the kernel's display driver can be
// asked, a Flip waits for the real vertical blank; otherwise (a virtual X server, a remote
// display, no access to the graphics device) a limiter sleeps to the next tick of a grid at the
// screen's refresh rate. Both sleep; neither spins. On a fast display a frame (one scene step)
// lasts several refreshes, so that the step rate stays near 60 per second.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tess {

class IFramePacer {
 public:
  virtual ~IFramePacer() = default;
  // Blocks until the refresh on which the next frame is due begins.
  virtual void WaitForVerticalBlank() = 0;
  virtual std::string Description() const = 0;
  // The display's refresh rate, and how many refreshes each frame lasts.
  virtual double RefreshHz() const = 0;
  virtual int RefreshesPerStep() const = 0;
  double StepsPerSecond() const { return RefreshHz() / RefreshesPerStep(); }
};

// Sleeps until the next point of a grid t0 + n * period, the period being a frame's refreshes.
// A frame that took longer than a period waits for the following grid point, as a real vertical
// blank would make it.
class TRefreshLimiter : public IFramePacer {
 public:
  using Clock = std::function<int64_t()>;           // nanoseconds, monotonic
  using SleepUntil = std::function<void(int64_t)>;  // absolute nanoseconds
  explicit TRefreshLimiter(double refreshHz, int refreshesPerStep = 1, Clock clock = {},
                           SleepUntil sleepUntil = {});

  void WaitForVerticalBlank() override;
  std::string Description() const override;
  double RefreshHz() const override { return refreshHz_; }
  int RefreshesPerStep() const override { return refreshesPerStep_; }
  int64_t PeriodNanoseconds() const { return period_; }

 private:
  Clock clock_;
  SleepUntil sleepUntil_;
  double refreshHz_;
  int refreshesPerStep_;
  int64_t period_;
  int64_t origin_ = -1;
};

// The vertical blank of the first display controller, through the kernel's DRM interface, each
// frame lasting `refreshesPerStep` blanks. Null when there is no usable device or its blanks do
// not come at a plausible rate.
std::unique_ptr<IFramePacer> OpenDrmVerticalBlank(double refreshHz, int refreshesPerStep);

// The best pacer for a display with the given refresh rate, with as many refreshes per frame as
// keep the step rate nearest 60: its vertical blank when it can be had, else the limiter.
// TESSARINE_PACING=limiter forces the limiter.
std::unique_ptr<IFramePacer> CreateDisplayPacer(double refreshHz);

}  // namespace tess
