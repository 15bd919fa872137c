#include "render/visibility.h"

#include <gtest/gtest.h>

#include <string>

namespace tess {
namespace {

TEST(TVisibilityState, PausesForEachWayOfBeingOutOfSight) {
  const struct {
    bool mapped, exposed, obscured, monitorsOn;
    TVisibility expected;
  } cases[] = {
      {true, true, false, true, TVisibility::kShown},
      {true, true, true, true, TVisibility::kCovered},       // a locker's window above it
      {false, true, false, true, TVisibility::kHidden},      // unmapped or minimised
      {true, false, false, true, TVisibility::kHidden},      // no frame callbacks (Wayland)
      {true, true, false, false, TVisibility::kMonitorOff},  // DPMS standby, suspend or off
      {true, true, true, false, TVisibility::kMonitorOff},
      {false, true, true, false, TVisibility::kHidden},
  };
  for (const auto& c : cases) {
    TVisibilityState state([&] { return c.monitorsOn; });
    state.SetMapped(c.mapped);
    state.SetExposed(c.exposed);
    state.SetFullyObscured(c.obscured);
    EXPECT_EQ(state.Current(), c.expected)
        << c.mapped << c.exposed << c.obscured << c.monitorsOn << " " << PauseReason(c.expected);
  }
  EXPECT_EQ(std::string(PauseReason(TVisibility::kMonitorOff)), "monitor off");
}

TEST(TVisibilityState, AsksAboutTheMonitorsAtMostOnceASecond) {
  int64_t now = 5000;
  int asked = 0;
  bool on = true;
  TVisibilityState state(
      [&] {
        ++asked;
        return on;
      },
      [&] { return now; });
  EXPECT_EQ(state.Current(), TVisibility::kShown);
  on = false;  // powered down: seen at the next question, a second after the last
  for (int i = 0; i < 50; ++i) {
    now += 19;
    EXPECT_EQ(state.Current(), TVisibility::kShown);
  }
  now += 50;
  EXPECT_EQ(state.Current(), TVisibility::kMonitorOff);
  EXPECT_EQ(asked, 2);
  // Without anybody to ask (no DPMS on the display), the monitors count as on.
  EXPECT_EQ(TVisibilityState().Current(), TVisibility::kShown);
}

}  // namespace
}  // namespace tess
