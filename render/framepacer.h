#pragma once
// Pacing of presented frames to the display's refresh. Where the kernel's display driver can be
// asked, a Flip waits for the real vertical blank; otherwise (a virtual X server, a remote
// display, no access to the graphics device) a limiter sleeps to the next tick of a grid at the
// screen's refresh rate. Both sleep; neither spins. Each frame is planned first: the refresh that
// will show it is the next one on which a scene step falls due (see stepschedule.h), so that the
// scenes step 60 times a second on any display.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "render/stepschedule.h"

namespace tess {

class IFramePacer {
 public:
  virtual ~IFramePacer() = default;
  // Chooses the refresh that shows the next frame and returns how many scene steps it takes
  // (at least 1).
  virtual int PlanFrame() = 0;
  // Blocks until the planned refresh begins (planning the frame first when nobody did).
  virtual void WaitForVerticalBlank() = 0;
  // After a pause: the steps start again from the coming refresh, none for the time away.
  virtual void Restart() = 0;
  virtual std::string Description() const = 0;
  virtual double RefreshHz() const = 0;
  // The steps per second the schedule keeps (60, or within half a percent of it).
  virtual double StepsPerSecond() const = 0;
};

// The planning that both pacers share; they differ in how they count and wait for refreshes.
class TScheduledPacer : public IFramePacer {
 public:
  explicit TScheduledPacer(double refreshHz);
  int PlanFrame() override;
  void WaitForVerticalBlank() override;
  void Restart() override;
  double RefreshHz() const override { return refreshHz_; }
  double StepsPerSecond() const override { return schedule_.StepsPerSecond(); }

 protected:
  // The number of the refresh under way.
  virtual int64_t CurrentRefresh() = 0;
  virtual void SleepUntilRefresh(int64_t refresh) = 0;

  double refreshHz_;

 private:
  TStepSchedule schedule_;
  bool started_ = false;
  bool planned_ = false;
  int64_t plannedRefresh_ = 0;
};

// Counts refreshes on a grid t0 + n * period from the first frame, and sleeps to its points. A
// frame that took longer than planned is shown on the next point, as a real vertical blank would
// show it, and the schedule gives the following frame the steps it missed.
class TRefreshLimiter : public TScheduledPacer {
 public:
  using Clock = std::function<int64_t()>;           // nanoseconds, monotonic
  using SleepUntil = std::function<void(int64_t)>;  // absolute nanoseconds
  explicit TRefreshLimiter(double refreshHz, Clock clock = {}, SleepUntil sleepUntil = {});

  std::string Description() const override;
  int64_t PeriodNanoseconds() const { return period_; }

 protected:
  int64_t CurrentRefresh() override;
  void SleepUntilRefresh(int64_t refresh) override;

 private:
  Clock clock_;
  SleepUntil sleepUntil_;
  int64_t period_;
  int64_t origin_ = -1;
};

// The vertical blank of the first display controller, through the kernel's DRM interface. Null
// when there is no usable device or its blanks do not come at a plausible rate.
std::unique_ptr<IFramePacer> OpenDrmVerticalBlank(double refreshHz);

// The best pacer for a display with the given refresh rate: its vertical blank when it can be
// had, else the limiter. TESSARINE_PACING=limiter forces the limiter.
std::unique_ptr<IFramePacer> CreateDisplayPacer(double refreshHz);

}  // namespace tess
