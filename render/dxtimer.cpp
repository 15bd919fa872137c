#include "render/dxtimer.h"

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <exception>

#include "render/errorreport.h"

namespace tess {

TDXTimer::TDXTimer() {
  idle_.setInterval(0);  // runs whenever the event loop has nothing else to do
  connect(&idle_, &QTimer::timeout, this, [this] {
    try {
      IdleStep();
    } catch (const std::exception& error) {
      ReportException(error);
    }
  });
  applicationActive_ = ApplicationIsActive();
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(app, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
              const bool active = state == Qt::ApplicationActive;
              if (active == applicationActive_) return;
              applicationActive_ = active;
              if (active) {
                ApplicationActivated();
              } else {
                ApplicationDeactivated();
              }
            });
  }
}

TDXTimer::~TDXTimer() {
  Stop();
}

uint32_t TDXTimer::SystemClock() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool TDXTimer::ApplicationIsActive() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return true;
  return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void TDXTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (loading_) return;
  if (enabled_) {
    Start();
  } else {
    Stop();
  }
}

void TDXTimer::SetInterval(int32_t milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  storedInterval_ = static_cast<uint32_t>(std::max(milliseconds, 0));
  divisor_ = static_cast<uint32_t>(std::max(milliseconds, 1));
}

void TDXTimer::Loaded() {
  loading_ = false;
  if (enabled_) Start();
}

void TDXTimer::Start() {
  Stop();
  if (!ActiveOnly || applicationActive_) Resume();
  running_ = true;
}

void TDXTimer::Stop() {
  if (!running_) return;
  Pause();
  running_ = false;
}

void TDXTimer::Resume() {
  lastTickTime_ = clock_();
  idle_.start();
}

void TDXTimer::Pause() {
  idle_.stop();
}

void TDXTimer::ApplicationActivated() {
  applicationActive_ = true;
  if (OnActivate) OnActivate(*this);
  if (running_ && ActiveOnly) Resume();
}

void TDXTimer::ApplicationDeactivated() {
  applicationActive_ = false;
  if (OnDeactivate) OnDeactivate(*this);
  if (running_ && ActiveOnly) Pause();
}

void TDXTimer::IdleStep() {
  const uint32_t now = clock_();
  const uint32_t elapsed = now - lastTickTime_;  // unsigned: a wrap of the clock is harmless
  if (elapsed < storedInterval_) return;
  lastTickTime_ = now;
  int32_t lagCount = static_cast<int32_t>(elapsed / divisor_);
  if (lagCount < 1) lagCount = 1;
  if (OnTimer) OnTimer(*this, lagCount);
}

}  // namespace tess
