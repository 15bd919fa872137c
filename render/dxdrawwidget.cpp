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
#include "render/gl/glwindow.h"
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

IPresenter& TDXDrawWidget::Device() {
  // Decided at the first frame, once the native window exists: the graphics device where the
  // renderer choice allows it, else the processor.
  if (!triedDevice_) {
    triedDevice_ = true;
    if (wantsDirect_) {
      gl_ = TGlWindow::Open(static_cast<uint32_t>(winId()), software_);
      if (gl_) gl_->SetScale(scale_);
    } else {
      software_ =
          "frames through Qt's window surface on " + QGuiApplication::platformName().toStdString();
    }
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
  AnnounceRenderer(RendererDescription());
}

QSize TDXDrawWidget::ClientSize() const {
  return backingStore_->ClientSize();
}

void TDXDrawWidget::Present(const QImage& back, TPresentParts parts, QPoint offset) {
  Device();
  if (!ComposesOnDevice()) return Device().Present(back, parts, offset);
  gl_->Show(ClientSize());
  if (!gl_->OnDevice()) AnnounceRenderer(RendererDescription());  // the processor takes over
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
  try {
    FollowSize();
  } catch (const std::exception& error) {
    ReportException(error);
  }
}

}  // namespace tess
