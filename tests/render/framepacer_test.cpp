#include "render/framepacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <limits>
#include <vector>

#include "render/displayscale.h"
#include "render/stepschedule.h"

namespace tess {
namespace {

TEST(TRefreshLimiter, SleepsToTheRefreshThatShowsTheNextStep) {
  int64_t now = 1'000'000;
  std::vector<int64_t> sleeps;
  TRefreshLimiter limiter(
      120.0, [&] { return now; },
      [&](int64_t until) {
        sleeps.push_back(until);
        now = until;
      });
  constexpr int64_t kPeriod = 8'333'333;
  EXPECT_EQ(limiter.PeriodNanoseconds(), kPeriod);
  EXPECT_EQ(limiter.PlanFrame(), 1);  // the first plan starts the grid and the steps
  limiter.WaitForVerticalBlank();
  EXPECT_EQ(sleeps.back(), 1'000'000 + kPeriod);
  now += 1'000'000;  // a quick frame: a step every second refresh at 120 Hz
  EXPECT_EQ(limiter.PlanFrame(), 1);
  limiter.WaitForVerticalBlank();
  EXPECT_EQ(sleeps.back(), 1'000'000 + 3 * kPeriod);
  now += 5 * kPeriod;  // a frame four refreshes late takes the two steps it missed, and one more
  EXPECT_EQ(limiter.PlanFrame(), 2);
  limiter.WaitForVerticalBlank();
  EXPECT_EQ(sleeps.back(), 1'000'000 + 9 * kPeriod);
  now += 3'600'000'000'000;  // an hour stopped: no race to catch up
  EXPECT_EQ(limiter.PlanFrame(), 2);
  limiter.Restart();  // after a pause: one step on the next refresh
  EXPECT_EQ(limiter.PlanFrame(), 1);
}

TEST(TRefreshLimiter, ImplausibleRatesFallBackToSixtyHertz) {
  for (double hz : {0.0, -1.0, 1e9, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_EQ(TRefreshLimiter(hz).PeriodNanoseconds(), 16'666'667) << hz;
  }
  EXPECT_EQ(TRefreshLimiter(144.0).PeriodNanoseconds(), 6'944'444);
}

// Ten seconds of refreshes at each rate, every frame on time: the refresh of each step.
std::vector<int64_t> StepRefreshes(double hz) {
  TStepSchedule schedule(hz);
  schedule.Restart(0);
  std::vector<int64_t> steps;
  const auto refreshes = static_cast<int64_t>(10 * hz);
  for (int64_t current = 0;;) {
    const TStepSchedule::TFrame frame = schedule.Next(current);
    if (frame.refresh > refreshes) break;
    EXPECT_GT(frame.refresh, current);
    for (int i = 0; i < frame.steps; ++i)
      steps.push_back(frame.refresh);
    current = frame.refresh;
  }
  return steps;
}

TEST(TStepSchedule, SixtyStepsASecondSpreadEvenlyOnEveryRefreshRate) {
  const struct {
    double hz;
    int everyKth;  // a step exactly every k-th refresh; 0 where the rate is no whole multiple
  } cases[] = {{24, 0},  {30, 0},  {50, 0},  {59.94, 1},  {60, 1},  {75, 0},
               {90, 0},  {100, 0}, {120, 2}, {143.9, 0},  {144, 0}, {144.0006, 0},
               {165, 0}, {180, 3}, {240, 4}, {359.99, 6}, {360, 6}};
  for (const auto& c : cases) {
    const std::vector<int64_t> steps = StepRefreshes(c.hz);
    const double perSecond = static_cast<double>(steps.size()) / 10.0;
    EXPECT_NEAR(perSecond, 60.0, 0.6) << c.hz;
    int64_t shortest = INT64_MAX, longest = 0;
    for (size_t i = 1; i < steps.size(); ++i) {
      shortest = std::min(shortest, steps[i] - steps[i - 1]);
      longest = std::max(longest, steps[i] - steps[i - 1]);
    }
    EXPECT_LE(longest - shortest, 1)
        << c.hz << " Hz: steps " << shortest << " to " << longest << " refreshes apart";
    if (c.everyKth > 0) {
      EXPECT_EQ(shortest, c.everyKth) << c.hz;
      EXPECT_EQ(longest, c.everyKth) << c.hz;
    }
  }
}

TEST(DisplayScale, RoundsThePixelRatioAndTakesTheOverride) {
  const struct {
    double ratio;
    const char* override;
    int scale;
  } cases[] = {{1.0, nullptr, 1}, {1.25, nullptr, 1}, {1.49, nullptr, 1}, {1.5, nullptr, 2},
               {2.0, nullptr, 2}, {2.4, nullptr, 2},  {3.0, nullptr, 3},  {9.0, nullptr, 4},
               {2.0, "1", 1},     {1.0, "3", 3},      {1.0, "5", 1},      {2.0, "x", 2}};
  for (const auto& c : cases) {
    if (c.override) {
      ::setenv("TESSARINE_SCALE", c.override, 1);
    } else {
      ::unsetenv("TESSARINE_SCALE");
    }
    EXPECT_EQ(DisplayScale(c.ratio), c.scale) << c.ratio << " " << (c.override ? c.override : "");
  }
  ::unsetenv("TESSARINE_SCALE");
  EXPECT_EQ(DisplayScaleForDpi(192), 2);
  EXPECT_EQ(DisplayScaleForDpi(120), 1);
  EXPECT_EQ(DisplayScaleForDpi(0), 1);
}

TEST(TRefreshLimiter, RealWaitsSleepAboutOnePeriod) {
  TRefreshLimiter limiter(60.0);
  limiter.WaitForVerticalBlank();
  const auto start = std::chrono::steady_clock::now();
  limiter.WaitForVerticalBlank();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GT(elapsed, std::chrono::milliseconds(5));
  EXPECT_LT(elapsed, std::chrono::milliseconds(500));
}

}  // namespace
}  // namespace tess
