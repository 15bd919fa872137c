#include "render/imagepresenter.h"

#include <QPainter>

namespace tess {

TImagePresenter::TImagePresenter(QSize clientSize) : screen_(clientSize, QImage::Format_RGB32) {
  screen_.fill(Qt::black);
}

void TImagePresenter::Present(const QImage& back, const QRegion& area, QPoint offset) {
  ++presents_;
  lastArea_ = area.translated(offset) & QRegion(screen_.rect());
  QPainter painter(&screen_);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  for (const QRect& r : area)
    painter.drawImage(r.topLeft() + offset, back, r);
}

}  // namespace tess
