#include "render/widgetpresenters.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <QtMath>

#include "render/framepacer.h"
#include "render/x11blitter.h"

namespace tess {

// ---- TWidgetPresenter -------------------------------------------------------------------------

TWidgetPresenter::TWidgetPresenter(QWidget& widget) : widget_(widget) {}

TWidgetPresenter::~TWidgetPresenter() = default;

QSize TWidgetPresenter::ClientSize() const {
  const qreal ratio = widget_.devicePixelRatioF();
  return {qRound(widget_.width() * ratio), qRound(widget_.height() * ratio)};
}

IFramePacer& TWidgetPresenter::DisplayPacer() {
  if (!pacer_) {
    const QScreen* display = widget_.screen();
    pacer_ = CreateDisplayPacer(display != nullptr ? display->refreshRate() : 60.0);
  }
  return *pacer_;
}

int TWidgetPresenter::PlanFrame() {
  return DisplayPacer().PlanFrame();
}

void TWidgetPresenter::WaitForVerticalBlank() {
  DisplayPacer().WaitForVerticalBlank();
}

void TWidgetPresenter::RestartPacing() {
  DisplayPacer().Restart();
}

// ---- TX11DirectPresenter ------------------------------------------------------------------------

TX11DirectPresenter::TX11DirectPresenter(QWidget& widget, std::unique_ptr<TX11Blitter> blitter)
    : TWidgetPresenter(widget), blitter_(std::move(blitter)) {}

TX11DirectPresenter::~TX11DirectPresenter() = default;

std::unique_ptr<TX11DirectPresenter> TX11DirectPresenter::Open(QWidget& widget) {
  std::string problem;
  auto blitter = TX11Blitter::Open(static_cast<uint32_t>(widget.winId()), false, problem);
  if (!blitter) return nullptr;
  return std::unique_ptr<TX11DirectPresenter>(new TX11DirectPresenter(widget, std::move(blitter)));
}

void TX11DirectPresenter::Present(const QImage& back, TPresentParts parts, QPoint offset) {
  blitter_->Put(back, parts, offset, ClientSize());
}

void TX11DirectPresenter::AwaitPresented() {
  blitter_->AwaitPut();
}

QImage TX11DirectPresenter::AllocateBackBuffer(QSize size) {
  return blitter_->AllocateBackBuffer(size.width(), size.height());
}

void TX11DirectPresenter::Clear(const QRect& rect) {
  blitter_->Clear(rect);
}

// ---- TBackingStorePresenter ---------------------------------------------------------------------

TBackingStorePresenter::TBackingStorePresenter(QWidget& widget) : TWidgetPresenter(widget) {}

void TBackingStorePresenter::Present(const QImage& back, TPresentParts parts, QPoint offset) {
  const qreal ratio = widget_.devicePixelRatioF();
  QRegion logical;
  for (QRect r : parts) {
    r.translate(offset);
    logical +=
        QRect(QPoint(qFloor(r.left() / ratio), qFloor(r.top() / ratio)),
              QPoint(qCeil((r.right() + 1) / ratio) - 1, qCeil((r.bottom() + 1) / ratio) - 1));
  }
  presenting_ = &back;
  offset_ = offset;
  widget_.repaint(logical);  // paints from the frame and hands the pixels to the display at once
  presenting_ = nullptr;
}

bool TBackingStorePresenter::Paint(QPainter& painter, const QRegion& region) const {
  if (presenting_ == nullptr) return false;
  const QImage& frame = *presenting_;
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  const qreal ratio = widget_.devicePixelRatioF();
  const QRectF target(offset_.x() / ratio, offset_.y() / ratio, frame.width() / ratio,
                      frame.height() / ratio);
  // Only the parts that changed are painted: frames often change in small places.
  for (const QRect& r : region) {
    const QRectF exposed = QRectF(r).intersected(target);
    if (exposed.isEmpty()) continue;
    const QRectF source((exposed.left() - target.left()) * ratio,
                        (exposed.top() - target.top()) * ratio, exposed.width() * ratio,
                        exposed.height() * ratio);
    painter.drawImage(exposed, frame, source);
  }
  return true;
}

}  // namespace tess
