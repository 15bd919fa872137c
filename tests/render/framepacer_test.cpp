#include "render/framepacer.h"

#include <gtest/gtest.h>

#include <vector>

namespace tess {
namespace {

TEST(TRefreshLimiter, SleepsToTheNextPointOfTheRefreshGrid) {
  int64_t now = 1'000'000;
  std::vector<int64_t> sleeps;
  TRefreshLimiter limiter(
      50.0, [&] { return now; },
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
