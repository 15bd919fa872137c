#include "render/framepacer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "render/displayscale.h"

namespace tess {
namespace {

TEST(TRefreshLimiter, SleepsToTheNextPointOfTheRefreshGrid) {
  int64_t now = 1'000'000;
  std::vector<int64_t> sleeps;
  TRefreshLimiter limiter(
      50.0, 1, [&] { return now; },
      [&](int64_t until) {
        sleeps.push_back(until);
        now = until;
      });
  constexpr int64_t kPeriod = 20'000'000;
  EXPECT_EQ(limiter.PeriodNanoseconds(), kPeriod);
  limiter.WaitForVerticalBlank();  // the first wait defines the grid
  EXPECT_EQ(sleeps.back(), 1'000'000 + kPeriod);
  now += 5'000'000;  // a quick frame waits for the next grid point
  limiter.WaitForVerticalBlank();
  EXPECT_EQ(sleeps.back(), 1'000'000 + 2 * kPeriod);
  now += 30'000'000;  // a slow frame misses one refresh and waits for the following
  limiter.WaitForVerticalBlank();
  EXPECT_EQ(sleeps.back(), 1'000'000 + 4 * kPeriod);
}

TEST(TRefreshLimiter, ImplausibleRatesFallBackToSixtyHertz) {
  for (double hz : {0.0, -1.0, 1e9, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_EQ(TRefreshLimiter(hz).PeriodNanoseconds(), 16'666'667) << hz;
  }
  EXPECT_EQ(TRefreshLimiter(144.0).PeriodNanoseconds(), 6'944'444);
  // A frame that lasts two refreshes of a 144 Hz display: 72 frames per second.
  EXPECT_EQ(TRefreshLimiter(144.0, 2).PeriodNanoseconds(), 13'888'889);
  EXPECT_DOUBLE_EQ(TRefreshLimiter(144.0, 2).StepsPerSecond(), 72.0);
}

TEST(RefreshesPerStep, KeepsTheStepRateNearestSixtyPerSecond) {
  const struct {
    double hz;
    int refreshes;
  } cases[] = {{60, 1},  {59.94, 1}, {50, 1},  {75, 1},  {90, 2},  {100, 2},
               {120, 2}, {144, 2},   {165, 3}, {240, 4}, {360, 6}, {0, 1}};
  for (const auto& c : cases)
    EXPECT_EQ(RefreshesPerStep(c.hz), c.refreshes) << c.hz;
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
  TRefreshLimiter limiter(100.0);
  limiter.WaitForVerticalBlank();
  const auto start = std::chrono::steady_clock::now();
  limiter.WaitForVerticalBlank();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GT(elapsed, std::chrono::milliseconds(5));
  EXPECT_LT(elapsed, std::chrono::milliseconds(500));
}

}  // namespace
}  // namespace tess
