#include "render/visibility.h"

#include <chrono>

namespace tess {

namespace {

int64_t SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

const char* PauseReason(TVisibility visibility) {
  switch (visibility) {
    case TVisibility::kCovered:
      return "covered";
    case TVisibility::kMonitorOff:
      return "monitor off";
    case TVisibility::kHidden:
      return "hidden";
    case TVisibility::kShown:
      break;
  }
  return "";
}

TVisibilityState::TVisibilityState(MonitorsOn monitorsOn, Clock clock)
    : monitorsOn_(std::move(monitorsOn)), clock_(clock ? std::move(clock) : &SteadyMilliseconds) {}

TVisibility TVisibilityState::Current() {
  if (monitorsOn_) {
    const int64_t now = clock_();
    if (!asked_ || now - lastAsked_ >= kMonitorPollMilliseconds) {
      asked_ = true;
      lastAsked_ = now;
      monitorsOnAnswer_ = monitorsOn_();
    }
  }
  if (!mapped_ || !exposed_) return TVisibility::kHidden;
  if (!monitorsOnAnswer_) return TVisibility::kMonitorOff;
  if (obscured_) return TVisibility::kCovered;
  return TVisibility::kShown;
}

}  // namespace tess
