#include "render/stepschedule.h"

#include <algorithm>
#include <cmath>

#include "render/displayscale.h"

namespace tess {

namespace {

// How near a rate must be to a whole multiple or fraction of 60 to be run as one: close enough
// that the speed is off by less than half a percent, which nobody sees; a step doubled or left
// out every few seconds to keep exact time would be seen.
constexpr double kSnapTolerance = 0.005;
// The resolution of the ratio for other rates: a millionth of a hertz.
constexpr int64_t kMicroHertz = 1'000'000;

bool NearWhole(double value, int64_t& whole) {
  whole = std::llround(value);
  return whole >= 1 && std::abs(value - static_cast<double>(whole)) < kSnapTolerance * value;
}

}  // namespace

TStepSchedule::TStepSchedule(double refreshHz)
    : refreshHz_(std::isfinite(refreshHz) && refreshHz > 0 ? refreshHz : kTargetStepsPerSecond) {
  int64_t whole = 0;
  if (NearWhole(refreshHz_ / kTargetStepsPerSecond, whole)) {
    stepsNumerator_ = 1;  // a step every `whole` refreshes
    refreshesDenominator_ = whole;
  } else if (NearWhole(kTargetStepsPerSecond / refreshHz_, whole)) {
    stepsNumerator_ = whole;  // `whole` steps every refresh
    refreshesDenominator_ = 1;
  } else {
    stepsNumerator_ = static_cast<int64_t>(kTargetStepsPerSecond) * kMicroHertz;
    refreshesDenominator_ = std::llround(refreshHz_ * kMicroHertz);
  }
  const int64_t mostInOneRefresh =
      (stepsNumerator_ + refreshesDenominator_ - 1) / refreshesDenominator_;
  maxStepsPerFrame_ = static_cast<int>(mostInOneRefresh) + 1;
}

double TStepSchedule::StepsPerSecond() const {
  return refreshHz_ * static_cast<double>(stepsNumerator_) /
         static_cast<double>(refreshesDenominator_);
}

int64_t TStepSchedule::TicksDueBy(int64_t refresh) const {
  // Tick k falls due on refresh origin + 1 + ceil(k / rate): the first on the refresh after the
  // start, each later one as soon as the rate brings it.
  if (refresh <= origin_) return 0;
  return (refresh - origin_ - 1) * stepsNumerator_ / refreshesDenominator_ + 1;
}

void TStepSchedule::Restart(int64_t current) {
  origin_ = current;
  taken_ = 0;
}

TStepSchedule::TFrame TStepSchedule::Next(int64_t current) {
  if (current < origin_) Restart(current);  // a clock that went back: start again from it
  // The first refresh by which tick `taken_` is due: origin + 1 + ceil(taken * den / num).
  const int64_t due =
      origin_ + 1 + (taken_ * refreshesDenominator_ + stepsNumerator_ - 1) / stepsNumerator_;
  TFrame frame;
  frame.refresh = std::max(due, current + 1);
  int64_t steps = TicksDueBy(frame.refresh) - taken_;
  if (steps > maxStepsPerFrame_) {
    taken_ += steps - maxStepsPerFrame_;  // the rest of a stall is let go
    steps = maxStepsPerFrame_;
  }
  taken_ += steps;
  frame.steps = static_cast<int>(steps);
  return frame;
}

}  // namespace tess
