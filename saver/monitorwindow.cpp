#include "saver/monitorwindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "render/dxdrawwidget.h"
#include "render/screensize.h"
#include "saver/overlaylayer.h"

namespace tess {

void SetUpSaverWindow(QWidget& window, TDXDrawWidget& drawingWindow) {
  window.setWindowTitle(QStringLiteral("Tessarine"));
  window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  QPalette black = window.palette();
  black.setColor(QPalette::Window, Qt::black);
  window.setPalette(black);
  window.setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(&drawingWindow);
  // Movements must reach the exit rule although no button is held.
  window.setMouseTracking(true);
  drawingWindow.setMouseTracking(true);
}

void CoverScreen(QWidget& window, QScreen* screen) {
  if (screen == nullptr) return;
  if (UseOverlayLayer()) {
    CoverScreenInOverlayLayer(window, screen);
    return;
  }
  window.setScreen(screen);
  window.setGeometry(screen->geometry());
  window.setWindowState(window.windowState() | Qt::WindowFullScreen);
}

bool Covers(const QWidget& window, const QScreen* screen) {
  return UseOverlayLayer() ? OverlayLayerOutput(window) == screen : window.screen() == screen;
}

TMonitorWindow::TMonitorWindow(QScreen* screen, uint32_t seed)
    : screen_(screen),
      rng_(seed),
      engine_(rng_),
      dxdrawWindow_(new TDXDrawWidget(engine_.DXD1, this, ScreenScale(screen))) {
  SetUpSaverWindow(*this, *dxdrawWindow_);
  // The primary window waits for the refresh; this one's frame follows at once.
  engine_.DXD1.SetOptions(engine_.DXD1.Options() & ~doWaitVBlank);
  engine_.SetScreenSize([this] { return LogicalScreenSize(screen_); });
  engine_.SetStatsLabel(screen->name().toStdString());
  engine_.DXD1.Loaded();
}

TMonitorWindow::~TMonitorWindow() {
  gate_.reset();
  // The drawing surface's window goes first, while the surface it presents for still exists.
  engine_.DXD1.SetPresenter(nullptr);
  delete dxdrawWindow_;
}

void TMonitorWindow::Start(std::function<void()> visibilityChanged) {
  CoverScreen(*this, screen_);
  engine_.PrepareFrames();
  show();
  raise();
  gate_ = std::make_unique<TFrameGate>(this, XWindowOf(*this), screen_->name().toStdString());
  gate_->OnChange = [this, changed = std::move(visibilityChanged)] {
    engine_.SetShown(gate_->Shown());
    if (changed) changed();
  };
}

void TMonitorWindow::DrawFrame(int steps) {
  if (engine_.Shown()) engine_.DrawFrame(steps);
}

}  // namespace tess
