#include "saver/mainwindow.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <cstdlib>

#include "render/dxdrawwidget.h"

namespace tess {

TMain::TMain() : dxdrawWindow_(new TDXDrawWidget(engine_.DXD1, this)) {
  setWindowTitle(QStringLiteral("Tessarine"));
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(dxdrawWindow_);
  // Movements must reach the exit rule although no button is held.
  setMouseTracking(true);
  dxdrawWindow_->setMouseTracking(true);
  engine_.DXD1.Loaded();
}

TMain::~TMain() {
  FormHide();
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
  if (const QScreen* primary = QGuiApplication::primaryScreen()) setGeometry(primary->geometry());
  setWindowState(windowState() | Qt::WindowFullScreen);
  StartCursorPos = QCursor::pos();
  qApp->installEventFilter(this);
  hookInstalled_ = true;
  QGuiApplication::setOverrideCursor(Qt::BlankCursor);
  cursorHidden_ = true;
  engine_.PrepareFrames();
  engine_.DXT1.SetEnabled(true);
}

void TMain::FormHide() {
  if (hookInstalled_) {
    qApp->removeEventFilter(this);
    hookInstalled_ = false;
  }
  engine_.DXT1.SetEnabled(false);
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

void TMain::AppMessage(const QEvent& event) {
  switch (event.type()) {
    case QEvent::MouseMove: {
      const QPoint at = static_cast<const QMouseEvent&>(event).globalPosition().toPoint();
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
    case QEvent::WindowDeactivate:
      if (active_) CloseForInput();
      break;
    default:
      break;
  }
}

}  // namespace tess
