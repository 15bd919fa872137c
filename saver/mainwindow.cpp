#include "saver/mainwindow.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "core/random.h"
#include "render/dxdrawwidget.h"
#include "render/screensize.h"
#include "saver/framegate.h"
#include "saver/monitorwindow.h"

namespace tess {

namespace {

// Wayland tells a client where the pointer is only once it enters or moves over one of its
// surfaces; before that the cursor position is unknown.
bool PointerPositionKnownAtStart() {
  return QGuiApplication::platformName() != "wayland";
}

}  // namespace

TMain::TMain()
    : dxdrawWindow_(
          new TDXDrawWidget(engine_.DXD1, this, ScreenScale(QGuiApplication::primaryScreen()))) {
  SetUpSaverWindow(*this, *dxdrawWindow_);
  engine_.AfterFrame = [this](int steps) { DrawOtherMonitors(steps); };
  engine_.DXD1.Loaded();
}

TMain::~TMain() {
  FormHide();
  gate_.reset();
  retired_.clear();
  // Explicit order: the drawing surface's window goes while the surface it presents for is
  // still there, and before the engine that owns it.
  engine_.DXD1.SetPresenter(nullptr);
  delete dxdrawWindow_;
}

void TMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous() && !shown_) {
    shown_ = true;
    FormShow();
  }
}

void TMain::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous()) FormHide();
}

void TMain::FormShow() {
  // Cover the whole primary screen, above panels and docks.
  CoverScreen(*this, QGuiApplication::primaryScreen());
  StartCursorKnown = PointerPositionKnownAtStart();
  StartCursorPos = QCursor::pos();
  qApp->installEventFilter(this);
  hookInstalled_ = true;
  QGuiApplication::setOverrideCursor(Qt::BlankCursor);
  cursorHidden_ = true;
  engine_.PrepareFrames();
  engine_.DXT1.SetEnabled(true);
  gate_ = std::make_unique<TFrameGate>(this, XWindowOf(*this));
  gate_->OnChange = [this] { FollowVisibility(); };
  FollowScreens();
  connect(qApp, &QGuiApplication::screenAdded, this, [this] { FollowScreens(); });
  connect(qApp, &QGuiApplication::screenRemoved, this, [this](QScreen* gone) {
    for (auto it = others_.begin(); it != others_.end();) {
      if ((*it)->Screen() != gone) {
        ++it;
        continue;
      }
      Retire(std::move(*it));
      it = others_.erase(it);
    }
    FollowVisibility();
  });
  connect(qApp, &QGuiApplication::primaryScreenChanged, this, [this] { FollowScreens(); });
}

void TMain::FollowScreens() {
  if (closing_ || !hookInstalled_) return;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary != nullptr && screen() != primary) CoverScreen(*this, primary);
  const QList<QScreen*> screens = QGuiApplication::screens();
  for (auto it = others_.begin(); it != others_.end();) {
    if ((*it)->Screen() != primary && screens.contains((*it)->Screen())) {
      ++it;
      continue;
    }
    Retire(std::move(*it));
    it = others_.erase(it);
  }
  for (QScreen* screen : screens) {
    const bool covered = screen == primary ||
                         std::any_of(others_.begin(), others_.end(), [screen](const auto& window) {
                           return window->Screen() == screen;
                         });
    if (covered) continue;
    const auto index = static_cast<uint32_t>(screens.indexOf(screen));
    others_.push_back(
        std::make_unique<TMonitorWindow>(screen, SeedForScene(StartupSeed(), index + 1)));
    others_.back()->Start([this] { FollowVisibility(); });
  }
  FollowVisibility();  // a window that went may have been the only one in sight
}

void TMain::FollowVisibility() {
  if (closing_ || !hookInstalled_ || !gate_) return;
  engine_.SetShown(gate_->Shown());
  const bool anyShown =
      engine_.Shown() || std::any_of(others_.begin(), others_.end(),
                                     [](const auto& window) { return window->Shown(); });
  if (anyShown) {
    engine_.ResumeFrames();
  } else {
    engine_.PauseFrames();
  }
}

void TMain::Retire(std::unique_ptr<TMonitorWindow> window) {
  window->hide();
  retired_.push_back(std::move(window));
  if (closing_ || !hookInstalled_) return;  // the saver ends: they go with the main window
  QTimer::singleShot(0, this, [this] { retired_.clear(); });
}

void TMain::DrawOtherMonitors(int steps) {
  for (const auto& window : others_)
    window->DrawFrame(steps);
}

void TMain::FormHide() {
  if (hookInstalled_) {
    qApp->removeEventFilter(this);
    hookInstalled_ = false;
  }
  engine_.DXT1.SetEnabled(false);
  for (auto& window : others_)
    Retire(std::move(window));
  others_.clear();
  if (cursorHidden_) {
    QGuiApplication::restoreOverrideCursor();
    cursorHidden_ = false;
  }
}

bool TMain::eventFilter(QObject* watched, QEvent* event) {
  AppMessage(*event);
  return QWidget::eventFilter(watched, event);
}

void TMain::CloseForInput() {
  if (closing_) return;
  closing_ = true;
  close();
}

void TMain::NotePointerAt(QPoint global) {
  if (StartCursorKnown) return;
  StartCursorPos = global;
  StartCursorKnown = true;
}

void TMain::AppMessage(const QEvent& event) {
  switch (event.type()) {
    case QEvent::Enter:
      NotePointerAt(static_cast<const QEnterEvent&>(event).globalPosition().toPoint());
      break;
    case QEvent::MouseMove: {
      const QPoint at = static_cast<const QMouseEvent&>(event).globalPosition().toPoint();
      NotePointerAt(at);
      if (std::abs(at.x() - StartCursorPos.x()) > kMouseTolerance ||
          std::abs(at.y() - StartCursorPos.y()) > kMouseTolerance) {
        CloseForInput();
      }
      break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      CloseForInput();
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      const auto button = static_cast<const QMouseEvent&>(event).button();
      if (button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton) {
        CloseForInput();
      }
      break;
    }
    case QEvent::ApplicationActivate:
    case QEvent::WindowActivate:
      // The activation that the window's own showing brings is expected; any later change
      // of activation is the user's doing.
      active_ = true;
      break;
    case QEvent::ApplicationDeactivate:
      if (active_) CloseForInput();
      break;
    case QEvent::WindowDeactivate:
      // With windows on several monitors the activation may pass between them; only the
      // application as a whole losing it counts then.
      if (active_ && others_.empty()) CloseForInput();
      break;
    default:
      break;
  }
}

}  // namespace tess
