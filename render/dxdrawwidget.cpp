#include "render/dxdrawwidget.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <exception>

#include "render/dxdraw.h"
#include "render/errorreport.h"
#include "render/gl/eglheadless.h"
#include "render/gl/glwindow.h"
#include "render/gl/qtglsurface.h"
#include "render/gl/rendererchoice.h"
#include "render/scaledpresenter.h"
#include "render/widgetpresenters.h"

namespace tess {

TDXDrawWidget::TDXDrawWidget(TDXDraw& dxdraw, QWidget* form, int scale)
    : QWidget(form),
      dxdraw_(dxdraw),
      form_(form),
      scale_(std::max(scale, 1)),
      backingStore_(std::make_unique<TBackingStorePresenter>(*this)) {
  // We paint every pixel ourselves: no background erase between frames.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  // TESSARINE_DIRECT=0 leaves the frames to the GUI layer's painting on X too.
  wantsDirect_ = QGuiApplication::platformName() == "xcb" && qgetenv("TESSARINE_DIRECT") != "0";
  if (wantsDirect_) {
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
  } else if (QGuiApplication::platformName().startsWith("wayland")) {
    PrepareQtSurface();
  }
  if (scale_ > 1) scaled_ = std::make_unique<TScaledPresenter>(*this, scale_);
  if (form_ != nullptr) form_->installEventFilter(this);
  dxdraw_.SetPresenter(&FramePresenter());
}

TDXDrawWidget::~TDXDrawWidget() {
  if (form_ != nullptr) form_->removeEventFilter(this);
}

IPresenter& TDXDrawWidget::FramePresenter() {
  return scaled_ ? static_cast<IPresenter&>(*scaled_) : *this;
}

void TDXDrawWidget::PrepareQtSurface() {
  const TRendererMode mode = RendererModeFromEnvironment();
  if (mode == TRendererMode::kSoftware) {
    software_ = "TESSARINE_RENDERER=software";
    return;
  }
  if (mode == TRendererMode::kAuto) {
    // Qt composes a window made for GL on the device too, even when our frames end up on the
    // processor: worth it only where a real device is likely, which a context without a window
    // tells in a few milliseconds (asked once for every monitor's window).
    static const std::string refused = [mode] {
      const TEglHeadless probe;
      if (!probe.Ready()) return "no graphics device: " + probe.Error();
      return RefuseDevice(mode, probe.Renderer(), probe.Software());
    }();
    if (software_ = refused; !software_.empty()) return;
  }
  qtSurface_ = std::make_unique<TQtGlSurface>(this);
  qtSurfaceWidget_ = qtSurface_.get();
}

void TDXDrawWidget::OpenDevice() {
  if (wantsDirect_) {
    gl_ = TGlWindow::Open(static_cast<uint32_t>(winId()), software_);
  } else if (qtSurface_ && !qtSurface_->Ready()) {
    software_ =
        "Qt could not make an OpenGL context on " + QGuiApplication::platformName().toStdString();
  } else if (qtSurface_) {
    gl_ = TGlWindow::Open(std::move(qtSurface_), software_);
  } else if (software_.empty()) {
    software_ =
        "frames through Qt's window surface on " + QGuiApplication::platformName().toStdString();
  }
  qtSurface_.reset();  // refused: the frames are painted beneath it
  if (gl_) {
    gl_->SetScale(scale_);
  } else {
    qtSurfaceWidget_ = nullptr;
  }
}

IPresenter& TDXDrawWidget::Device() {
  // Decided at the first frame, once the native window exists: the graphics device where the
  // renderer choice allows it, else the processor.
  if (!triedDevice_) {
    triedDevice_ = true;
    OpenDevice();
    AnnounceRenderer(RendererDescription());
  }
  // On the device the window is shown by the GL window; the backing store's presenter only
  // paces the frames then.
  if (ComposesOnDevice()) return *backingStore_;
  if (wantsDirect_ && !direct_) {
    direct_ = TX11DirectPresenter::Open(*this);
    if (!direct_) {  // a window we cannot draw into directly: the GUI layer paints after all
      wantsDirect_ = false;
      setAttribute(Qt::WA_PaintOnScreen, false);
    }
  }
  return direct_ ? static_cast<IPresenter&>(*direct_) : *backingStore_;
}

bool TDXDrawWidget::ComposesOnDevice() const {
  return gl_ != nullptr && gl_->OnDevice();
}

std::string TDXDrawWidget::RendererDescription() const {
  if (gl_) return gl_->Description();
  return DescribeSoftware(software_);
}

IFrameExecutor* TDXDrawWidget::Executor() {
  Device();
  return ComposesOnDevice() ? gl_.get() : nullptr;
}

void TDXDrawWidget::ExecutorFailed() {
  if (gl_) gl_->ComposerFailed();
  LeaveDevice();
}

// The frames are composed on the processor from now on: Qt's OpenGL widget no longer covers the
// window they are painted into.
void TDXDrawWidget::LeaveDevice() {
  if (qtSurfaceWidget_ != nullptr) qtSurfaceWidget_->hide();
  AnnounceRenderer(RendererDescription());
}

QSize TDXDrawWidget::ClientSize() const {
  return backingStore_->ClientSize();
}

void TDXDrawWidget::Present(const QImage& back, TPresentParts parts, QPoint offset) {
  Device();
  if (!ComposesOnDevice()) return Device().Present(back, parts, offset);
  gl_->Show(ClientSize());
  if (!gl_->OnDevice()) LeaveDevice();  // the processor takes over
}

void TDXDrawWidget::AwaitPresented() {
  if (direct_) direct_->AwaitPresented();
}

int TDXDrawWidget::PlanFrame() {
  return Device().PlanFrame();
}

void TDXDrawWidget::WaitForVerticalBlank() {
  Device().WaitForVerticalBlank();
}

void TDXDrawWidget::RestartPacing() {
  Device().RestartPacing();
}

QImage TDXDrawWidget::AllocateBackBuffer(QSize size) {
  Device();
  if (ComposesOnDevice()) return {};  // the back surface's pixels are the fallback's alone
  return Device().AllocateBackBuffer(size);
}

const IFramePacer* TDXDrawWidget::Pacer() const {
  return direct_ ? direct_->Pacer() : backingStore_->Pacer();
}

QPaintEngine* TDXDrawWidget::paintEngine() const {
  return wantsDirect_ ? nullptr : QWidget::paintEngine();
}

bool TDXDrawWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == form_ && event->type() == QEvent::Show && !dxdraw_.InitAttempted()) {
    QTimer::singleShot(0, this, [this] { InitializeAfterShow(); });
  }
  return QWidget::eventFilter(watched, event);
}

void TDXDrawWidget::FollowSize() {
  const QSize size = FramePresenter().ClientSize();
  dxdraw_.ControlResized(size.width(), size.height());
}

void TDXDrawWidget::InitializeAfterShow() {
  try {
    FollowSize();
    dxdraw_.FormShown();
  } catch (const std::exception& error) {
    ReportException(error);
  }
}

void TDXDrawWidget::paintEvent(QPaintEvent* event) {
  const bool showsFrames = dxdraw_.Initialized() && dxdraw_.BackSurface() != nullptr;
  if (wantsDirect_) {
    Device();
    if (ComposesOnDevice()) {
      if (showsFrames) {
        dxdraw_.Repaint();
      } else {
        gl_->Clear(ClientSize());
      }
      return;
    }
    if (direct_) {
      // Exposed: show the last frame again, or black before the first.
      if (showsFrames) {
        dxdraw_.Repaint();
      } else {
        direct_->Clear(QRect(QPoint(0, 0), ClientSize()));
      }
      return;
    }
  }
  QPainter painter(this);
  if (backingStore_->Paint(painter, event->region())) return;
  // Exposed: the control's own colour now, and the last frame again as soon as we may.
  const QColor background(RedOf(dxdraw_.Color), GreenOf(dxdraw_.Color), BlueOf(dxdraw_.Color));
  for (const QRect& r : event->region())
    painter.fillRect(r, background);
  if (showsFrames) QTimer::singleShot(0, this, [this] { dxdraw_.Repaint(); });
}

void TDXDrawWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (qtSurfaceWidget_ != nullptr) qtSurfaceWidget_->setGeometry(rect());
  try {
    FollowSize();
  } catch (const std::exception& error) {
    ReportException(error);
  }
}

}  // namespace tess
