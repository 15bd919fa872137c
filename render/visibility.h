#pragma once
// Whether anybody can see a window's frames. Nothing is composed or presented for a window that
// is covered by another (a screen locker's, above all), unmapped or minimised, or on monitors
// that are powered down: a saver runs for hours that way, often on a battery.
#include <cstdint>
#include <functional>

namespace tess {

enum class TVisibility { kShown, kCovered, kMonitorOff, kHidden };

// What the statistics say for a pause: "covered", "monitor off", "hidden"; empty when shown.
const char* PauseReason(TVisibility visibility);

// What the display has told of one window, and the rule that makes a visibility of it.
class TVisibilityState {
 public:
  using Clock = std::function<int64_t()>;  // milliseconds, monotonic
  // Whether the monitors are powered on; a display that cannot tell counts as on. It costs a
  // round trip to the display and no event says when it changes, so it is asked about once a
  // second at most.
  using MonitorsOn = std::function<bool()>;

  explicit TVisibilityState(MonitorsOn monitorsOn = {}, Clock clock = {});

  void SetMapped(bool mapped) { mapped_ = mapped; }
  void SetFullyObscured(bool obscured) { obscured_ = obscured; }
  void SetExposed(bool exposed) { exposed_ = exposed; }

  // The visibility now, asking about the monitors when the last answer is a second old.
  TVisibility Current();

  static constexpr int64_t kMonitorPollMilliseconds = 1000;

 private:
  MonitorsOn monitorsOn_;
  Clock clock_;
  bool mapped_ = true;
  bool obscured_ = false;
  bool exposed_ = true;
  bool monitorsOnAnswer_ = true;
  int64_t lastAsked_ = 0;
  bool asked_ = false;
};

}  // namespace tess
