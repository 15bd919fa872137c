#include "saver/framegate.h"

#include <QEvent>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "render/x11visibility.h"

namespace tess {

uint32_t XWindowOf(QWidget& window) {
  if (QGuiApplication::platformName() != "xcb") return 0;
  return static_cast<uint32_t>(window.winId());
}

TFrameGate::TFrameGate(QWidget* window, uint32_t xWindow, std::string label)
    : label_(std::move(label)) {
  const char* stats = std::getenv("TESSARINE_STATS");
  stats_ = stats != nullptr && std::strcmp(stats, "1") == 0;
  if (window != nullptr) {
    window->winId();  // makes the platform window, whose exposure we follow
    qtWindow_ = window->windowHandle();
    if (qtWindow_ != nullptr) qtWindow_->installEventFilter(this);
  }
  if (xWindow != 0) watch_ = TX11VisibilityWatch::Open(xWindow);
  if (watch_) {
    events_ = std::make_unique<QSocketNotifier>(watch_->FileDescriptor(), QSocketNotifier::Read);
    connect(events_.get(), &QSocketNotifier::activated, this, [this] { Update(); });
    // The monitors' power has no events: it is asked about once a second.
    monitorPoll_.setInterval(static_cast<int>(TVisibilityState::kMonitorPollMilliseconds));
    connect(&monitorPoll_, &QTimer::timeout, this, [this] { Update(); });
    monitorPoll_.start();
  }
  Update();
}

TFrameGate::~TFrameGate() {
  if (qtWindow_ != nullptr) qtWindow_->removeEventFilter(this);
}

bool TFrameGate::eventFilter(QObject* watched, QEvent* event) {
  if (watched == qtWindow_ && event->type() == QEvent::Expose) {
    exposureKnown_ = true;
    // Queued: the window's own handling of the exposure (its repaint) comes first.
    QTimer::singleShot(0, this, [this] { Update(); });
  }
  return QObject::eventFilter(watched, event);
}

void TFrameGate::Update() {
  TVisibilityState& state = watch_ ? watch_->State() : exposureOnly_;
  // Until the platform has said anything of the window's exposure, it counts as exposed.
  if (qtWindow_ != nullptr && exposureKnown_) state.SetExposed(qtWindow_->isExposed());
  const TVisibility now = watch_ ? watch_->Update() : state.Current();
  if (now == visibility_) return;
  visibility_ = now;
  if (stats_) {
    const std::string who = label_.empty() ? "" : label_ + ": ";
    if (Shown()) {
      std::fprintf(stderr, "tessarine: %sresumed\n", who.c_str());
    } else {
      std::fprintf(stderr, "tessarine: %spaused (%s)\n", who.c_str(), PauseReason(now));
    }
    std::fflush(stderr);
  }
  if (OnChange) OnChange();
}

}  // namespace tess
