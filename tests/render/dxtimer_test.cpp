#include "render/dxtimer.h"

#include <gtest/gtest.h>

#include <vector>

namespace tess {
namespace {

// A timer on a hand-driven clock; every tick's lag count is recorded.
class TimerTest : public ::testing::Test {
 protected:
  TimerTest() {
    timer_.SetClock([this] { return now_; });
    timer_.OnTimer = [this](TDXTimer&, int32_t lag) { lags_.push_back(lag); };
    timer_.ApplicationActivated();
  }

  void Idle(uint32_t advance = 0) {
    now_ += advance;
    timer_.IdleStep();
  }

  TDXTimer timer_;
  uint32_t now_ = 5000;
  std::vector<int32_t> lags_;
};

TEST_F(TimerTest, IntervalZeroTicksOnEveryIdlePassWithALagOfAtLeastOne) {
  timer_.SetInterval(0);
  timer_.Loaded();
  EXPECT_TRUE(timer_.Ticking());
  Idle();
  Idle();
  Idle(16);
  EXPECT_EQ(lags_, (std::vector<int32_t>{1, 1, 16}));
}

TEST_F(TimerTest, TheDefaultIntervalTicksAfterASecondAndCountsTheLag) {
  EXPECT_EQ(timer_.Interval(), 1000);
  timer_.Loaded();
  Idle(999);
  EXPECT_TRUE(lags_.empty());
  Idle(1);
  Idle(3500);  // a stall of 3.5 seconds
  EXPECT_EQ(lags_, (std::vector<int32_t>{1, 3}));
}

TEST_F(TimerTest, DeactivationPausesAndResumingCountsFromThatMoment) {
  timer_.SetInterval(100);
  timer_.Loaded();
  timer_.ApplicationDeactivated();
  EXPECT_TRUE(timer_.Running());
  EXPECT_FALSE(timer_.Ticking());
  now_ += 5000;
  timer_.ApplicationActivated();
  EXPECT_TRUE(timer_.Ticking());
  Idle(99);
  EXPECT_TRUE(lags_.empty());
  Idle(1);
  EXPECT_EQ(lags_, (std::vector<int32_t>{1}));
}

TEST_F(TimerTest, EnablingWhileInactiveWaitsForActivation) {
  timer_.SetEnabled(false);
  timer_.Loaded();
  timer_.ApplicationDeactivated();
  timer_.SetEnabled(true);
  EXPECT_TRUE(timer_.Running());
  EXPECT_FALSE(timer_.Ticking());
  timer_.ApplicationActivated();
  EXPECT_TRUE(timer_.Ticking());
  // Without ActiveOnly the timer ticks regardless.
  timer_.SetEnabled(false);
  timer_.ActiveOnly = false;
  timer_.ApplicationDeactivated();
  timer_.SetEnabled(true);
  EXPECT_TRUE(timer_.Ticking());
}

TEST_F(TimerTest, DisablingStopsAtOnceAndEnablingRestartsFromAFreshTime) {
  timer_.SetInterval(100);
  timer_.Loaded();
  timer_.SetEnabled(false);
  EXPECT_FALSE(timer_.Ticking());
  EXPECT_FALSE(timer_.Running());
  now_ += 10000;
  timer_.SetEnabled(true);
  Idle(50);
  EXPECT_TRUE(lags_.empty());
  Idle(50);
  EXPECT_EQ(lags_, (std::vector<int32_t>{1}));
}

TEST_F(TimerTest, NegativeIntervalsActAsZeroAndTheClockMayWrap) {
  timer_.SetInterval(-5);
  now_ = 0xFFFFFFF0u;
  timer_.Loaded();
  Idle();
  Idle(0x20);  // wraps past zero
  EXPECT_EQ(lags_, (std::vector<int32_t>{1, 32}));
}

TEST_F(TimerTest, EventsAndHandlersOfActivation) {
  int activations = 0, deactivations = 0;
  timer_.OnActivate = [&](TDXTimer&) { ++activations; };
  timer_.OnDeactivate = [&](TDXTimer&) { ++deactivations; };
  timer_.ApplicationDeactivated();
  timer_.ApplicationActivated();
  EXPECT_EQ(activations, 1);
  EXPECT_EQ(deactivations, 1);
}

}  // namespace
}  // namespace tess
