#include "render/imagepresenter.h"

#include <cstring>

namespace tess {

TImagePresenter::TImagePresenter(QSize clientSize) : screen_(clientSize, QImage::Format_RGB32) {
  screen_.fill(Qt::black);
}

void TImagePresenter::Present(const QImage& back, TPresentParts parts, QPoint offset) {
  ++presents_;
  lastParts_.clear();
  for (const QRect& part : parts) {
    const QRect target = part.translated(offset) & screen_.rect();
    if (target.isEmpty()) continue;
    lastParts_.push_back(target);
    const QRect source = target.translated(-offset) & back.rect();
    const size_t rowBytes = static_cast<size_t>(source.width()) * 4;
    for (int y = 0; y < source.height(); ++y) {
      std::memcpy(screen_.scanLine(target.top() + y) + target.left() * 4,
                  back.constScanLine(source.top() + y) + source.left() * 4, rowBytes);
    }
  }
}

QRegion TImagePresenter::LastPresentedArea() const {
  QRegion area;
  for (const QRect& part : lastParts_)
    area += part;
  return area;
}

}  // namespace tess
