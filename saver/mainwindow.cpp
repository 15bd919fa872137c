#include "saver/mainwindow.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "core/random.h"
#include "render/dxdrawwidget.h"
#include "render/screensize.h"
#include "render/x11screeninfo.h"
#include "saver/framegate.h"
#include "saver/monitorwindow.h"
#include "saver/overlaylayer.h"

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
  // Made at the screen's size from the start: a window composed through GL on Wayland may show
  // a first frame before it is full screen, at the size it was made; smaller, the compositor
  // would centre it, and the pointer's first position would be told relative to that.
  QScreen* primary = QGuiApplication::primaryScreen();
  if (!PointerPositionKnownAtStart() && primary != nullptr) resize(primary->size());
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
  if (!event->spontaneous() && !MovingToAnotherOutput(*this)) FormHide();
}

void TMain::FormShow() {
  // Cover the whole primary screen, above panels and docks.
  CoverScreen(*this, QGuiApplication::primaryScreen());
  StartCursorKnown = PointerPositionKnownAtStart();
  StartCursorPos = QCursor::pos();
  if (QGuiApplication::platformName() == "xcb") KeysHeldAtStart = KeysHeldDown();
  qApp->installEventFilter(this);
  hookInstalled_ = true;
  QGuiApplication::setOverrideCursor(Qt::BlankCursor);
  cursorHidden_ = true;
  engine_.PrepareFrames();
  // A surface of the overlay layer is active only while it has the keyboard, which a seat
  // without one never gives: its frames do not wait for that.
  if (UseOverlayLayer()) engine_.DXT1.ActiveOnly = false;
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

void TMain::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Somebody else sized the window (a mode change of the screen, a client's request): it covers
  // the whole primary screen again. Once the event loop is idle, so that a window manager's own
  // series of changes has settled.
  // A window manager that insists on another size is not fought: a few tries in a row, then
  // it has its way until the screen itself changes.
  // The compositor sizes a layer surface to its output by itself.
  if (!hookInstalled_ || closing_ || UseOverlayLayer()) return;
  QTimer::singleShot(0, this, [this] {
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr || closing_ || !hookInstalled_) return;
    if (geometry() == primary->geometry()) {
      recoverTries_ = 0;
    } else if (recoverTries_ < kMaxRecoverTries) {
      ++recoverTries_;
      CoverScreen(*this, primary);
    }
  });
}

void TMain::FollowScreens() {
  if (closing_ || !hookInstalled_) return;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary != nullptr && !Covers(*this, primary)) CoverScreen(*this, primary);
  const QList<QScreen*> screens = QGuiApplication::screens();
  for (QScreen* screen : screens) {
    connect(screen, &QScreen::geometryChanged, this, &TMain::FollowScreenGeometry,
            Qt::UniqueConnection);
  }
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

void TMain::FollowScreenGeometry() {
  if (closing_ || !hookInstalled_) return;
  recoverTries_ = 0;
  if (QScreen* primary = QGuiApplication::primaryScreen()) CoverScreen(*this, primary);
  for (const auto& window : others_)
    CoverScreen(*window, window->Screen());
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

bool TMain::IsNewKeyPress(const QKeyEvent& key) {
  // A repeat is never a new press: the key's first press closed the saver, or came before it.
  if (key.isAutoRepeat()) return false;
  const quint32 code = key.nativeScanCode();
  return code >= KeysHeldAtStart.size() || !KeysHeldAtStart[code];
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
      if (IsNewKeyPress(static_cast<const QKeyEvent&>(event))) CloseForInput();
      break;
    case QEvent::KeyRelease: {
      // A key that was down at the start is up: from now on it counts like any other (the
      // releases between a held key's repeats do not count). A release never closes by itself:
      // its press did, or came before the saver.
      const auto& key = static_cast<const QKeyEvent&>(event);
      const quint32 code = key.nativeScanCode();
      if (key.isAutoRepeat() || code >= KeysHeldAtStart.size() || !KeysHeldAtStart[code]) break;
      // The GUI layer tells a repeat's release from a real one only when the repeat's press is
      // already queued behind it, which on a busy machine it may not be. The X server knows
      // whether the key is still down.
      if (QGuiApplication::platformName() == "xcb" && KeysHeldDown()[code]) break;
      KeysHeldAtStart[code] = false;
      break;
    }
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
