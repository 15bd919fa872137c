#include "render/dxdrawwidget.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <exception>

#include "render/dxdraw.h"
#include "render/errorreport.h"
#include "render/framepacer.h"
#include "render/x11blitter.h"

namespace tess {

TDXDrawWidget::TDXDrawWidget(TDXDraw& dxdraw, QWidget* form)
    : QWidget(form), dxdraw_(dxdraw), form_(form) {
  // We paint every pixel ourselves: no background erase between frames.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  // On an X display frames go straight from the back surface (in memory shared with the
  // server) into the control's own window: no copy through the GUI layer's backing store.
  // TESSARINE_DIRECT=0 turns this off.
  const QByteArray direct = qgetenv("TESSARINE_DIRECT");
  direct_ = QGuiApplication::platformName() == "xcb" && direct != "0";
  if (direct_) {
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
  }
  if (form_ != nullptr) form_->installEventFilter(this);
  dxdraw_.SetPresenter(this);
}

TDXDrawWidget::~TDXDrawWidget() {
  if (form_ != nullptr) form_->removeEventFilter(this);
  dxdraw_.SetPresenter(nullptr);
}

QSize TDXDrawWidget::ClientSize() const {
  const qreal ratio = devicePixelRatioF();
  return {qRound(width() * ratio), qRound(height() * ratio)};
}

void TDXDrawWidget::Present(const QImage& back, const QRegion& area, QPoint offset) {
  if (TX11Blitter* blitter = Blitter()) {
    blitter->Put(back, area, offset, ClientSize());
    return;
  }
  const qreal ratio = devicePixelRatioF();
  QRegion logical;
  for (const QRect& r : area.translated(offset)) {
    logical +=
        QRect(QPoint(qFloor(r.left() / ratio), qFloor(r.top() / ratio)),
              QPoint(qCeil((r.right() + 1) / ratio) - 1, qCeil((r.bottom() + 1) / ratio) - 1));
  }
  repaint(logical);  // paints from the back surface and hands the pixels to the display at once
}

TX11Blitter* TDXDrawWidget::Blitter() {
  if (!direct_) return nullptr;
  if (!blitter_) {
    std::string problem;
    blitter_ = TX11Blitter::Open(static_cast<uint32_t>(winId()), false, problem);
    if (!blitter_) {  // draw through the GUI layer after all
      direct_ = false;
      setAttribute(Qt::WA_PaintOnScreen, false);
    }
  }
  return blitter_.get();
}

QPaintEngine* TDXDrawWidget::paintEngine() const {
  return direct_ ? nullptr : QWidget::paintEngine();
}

QImage TDXDrawWidget::AllocateBackBuffer(QSize size) {
  TX11Blitter* blitter = Blitter();
  return blitter != nullptr ? blitter->AllocateBackBuffer(size.width(), size.height()) : QImage();
}

void TDXDrawWidget::WaitForVerticalBlank() {
  if (!pacer_) {
    const QScreen* display = screen();
    pacer_ = CreateDisplayPacer(display != nullptr ? display->refreshRate() : 60.0);
  }
  pacer_->WaitForVerticalBlank();
}

bool TDXDrawWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == form_ && event->type() == QEvent::Show && !dxdraw_.InitAttempted()) {
    QTimer::singleShot(0, this, [this] { InitializeAfterShow(); });
  }
  return QWidget::eventFilter(watched, event);
}

void TDXDrawWidget::InitializeAfterShow() {
  try {
    dxdraw_.ControlResized(ClientSize().width(), ClientSize().height());
    dxdraw_.FormShown();
  } catch (const std::exception& error) {
    ReportException(error);
  }
}

void TDXDrawWidget::paintEvent(QPaintEvent* event) {
  if (TX11Blitter* blitter = Blitter()) {
    // Exposed: show the last frame again, or black before the first.
    if (dxdraw_.Initialized() && dxdraw_.BackSurface() != nullptr) {
      dxdraw_.Repaint();
    } else {
      blitter->Clear(QRect(QPoint(0, 0), ClientSize()));
    }
    return;
  }
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  const TDirectDrawSurface* back = dxdraw_.Initialized() ? dxdraw_.BackSurface() : nullptr;
  const QColor background(RedOf(dxdraw_.Color), GreenOf(dxdraw_.Color), BlueOf(dxdraw_.Color));
  if (back == nullptr || back->Pixels().isNull()) {
    for (const QRect& r : event->region())
      painter.fillRect(r, background);
    return;
  }
  const qreal ratio = devicePixelRatioF();
  const QPoint offset = dxdraw_.PresentOffset();
  const QRectF target(offset.x() / ratio, offset.y() / ratio, back->Width() / ratio,
                      back->Height() / ratio);
  // Whatever the back surface does not cover shows the control's own colour.
  for (const QRect& r : event->region() - target.toAlignedRect())
    painter.fillRect(r, background);
  // Only the parts that changed are painted: frames often change in small places.
  for (const QRect& r : event->region()) {
    const QRectF exposed = QRectF(r).intersected(target);
    if (exposed.isEmpty()) continue;
    const QRectF source((exposed.left() - target.left()) * ratio,
                        (exposed.top() - target.top()) * ratio, exposed.width() * ratio,
                        exposed.height() * ratio);
    painter.drawImage(exposed, back->Pixels(), source);
  }
}

void TDXDrawWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  try {
    const QSize size = ClientSize();
    dxdraw_.ControlResized(size.width(), size.height());
  } catch (const std::exception& error) {
    ReportException(error);
  }
}

}  // namespace tess
