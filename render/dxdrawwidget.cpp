#include "render/dxdrawwidget.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <exception>

#include "render/dxdraw.h"
#include "render/errorreport.h"
#include "render/framepacer.h"

namespace tess {

TDXDrawWidget::TDXDrawWidget(TDXDraw& dxdraw, QWidget* form)
    : QWidget(form), dxdraw_(dxdraw), form_(form) {
  // We paint every pixel ourselves: no background erase between frames.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
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

void TDXDrawWidget::Present(const QImage&, const QRegion& area, QPoint offset) {
  const qreal ratio = devicePixelRatioF();
  QRegion logical;
  for (const QRect& r : area.translated(offset)) {
    logical +=
        QRect(QPoint(qFloor(r.left() / ratio), qFloor(r.top() / ratio)),
              QPoint(qCeil((r.right() + 1) / ratio) - 1, qCeil((r.bottom() + 1) / ratio) - 1));
  }
  repaint(logical);  // paints from the back surface and hands the pixels to the display at once
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
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  const TDirectDrawSurface* back = dxdraw_.Initialized() ? dxdraw_.BackSurface() : nullptr;
  const QColor background(RedOf(dxdraw_.Color), GreenOf(dxdraw_.Color), BlueOf(dxdraw_.Color));
  if (back == nullptr || back->Pixels().isNull()) {
    painter.fillRect(event->rect(), background);
    return;
  }
  const qreal ratio = devicePixelRatioF();
  const QPoint offset = dxdraw_.PresentOffset();
  const QRectF target(offset.x() / ratio, offset.y() / ratio, back->Width() / ratio,
                      back->Height() / ratio);
  // Whatever the back surface does not cover shows the control's own colour.
  const QRegion uncovered = QRegion(event->rect()) - target.toAlignedRect();
  for (const QRect& r : uncovered)
    painter.fillRect(r, background);
  const QRectF exposed = QRectF(event->rect()).intersected(target);
  if (exposed.isEmpty()) return;
  const QRectF source((exposed.left() - target.left()) * ratio,
                      (exposed.top() - target.top()) * ratio, exposed.width() * ratio,
                      exposed.height() * ratio);
  painter.drawImage(exposed, back->Pixels(), source);
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
