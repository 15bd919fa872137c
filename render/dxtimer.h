#pragma once
// The frame timer: not a system timer but the idle step of the message loop. With interval 0 it
// ticks every time the loop finds no input waiting, so the pace comes from the frame work itself
// (above all the wait for the display's refresh in Flip). With ActiveOnly it pauses while the
// application is not the active one.
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

namespace tess {

class TDXTimer : public QObject {
 public:
  using TimerEvent = std::function<void(TDXTimer& sender, int32_t lagCount)>;
  using NotifyEvent = std::function<void(TDXTimer& sender)>;
  // Milliseconds, an unsigned 32-bit count that wraps.
  using Clock = std::function<uint32_t()>;

  TDXTimer();
  ~TDXTimer() override;

  bool ActiveOnly = true;
  TimerEvent OnTimer;
  NotifyEvent OnActivate;
  NotifyEvent OnDeactivate;

  bool Enabled() const { return enabled_; }
  // True starts the timer, false stops it; assigning the current value does nothing. While the
  // timer is being set up (before Loaded) only the value is recorded.
  void SetEnabled(bool enabled);
  int32_t Interval() const { return interval_; }
  void SetInterval(int32_t milliseconds);

  // Set-up is complete: start when enabled.
  void Loaded();

  bool Running() const { return running_; }
  // Whether the idle step is occupied, so that ticks happen.
  bool Ticking() const { return idle_.isActive(); }

  // The application became active or inactive.
  void ApplicationActivated();
  void ApplicationDeactivated();

  // One idle pass of the loop: ticks when the interval has passed.
  void IdleStep();

  void SetClock(Clock clock) { clock_ = std::move(clock); }
  static uint32_t SystemClock();

 private:
  void Start();
  void Stop();
  void Resume();
  void Pause();
  static bool ApplicationIsActive();

  QTimer idle_;
  Clock clock_ = &TDXTimer::SystemClock;
  bool enabled_ = true;
  bool loading_ = true;
  bool running_ = false;
  int32_t interval_ = 1000;
  uint32_t storedInterval_ = 1000;
  uint32_t divisor_ = 1000;
  uint32_t lastTickTime_ = 0;
  bool applicationActive_ = false;
};

}  // namespace tess
