#include "render/scaledpresenter.h"

#include <algorithm>
#include <cstring>

namespace tess {

namespace {

// Row y of `from` within [left, right), each pixel repeated `scale` times into `to`.
void EnlargeRow(const uint32_t* from, int left, int right, int scale, uint32_t* to) {
  for (int x = left; x < right; ++x) {
    const uint32_t pixel = from[x];
    for (int i = 0; i < scale; ++i)
      *to++ = pixel;
  }
}

}  // namespace

TScaledPresenter::TScaledPresenter(IPresenter& device, int scale)
    : device_(device), scale_(std::max(scale, 1)) {}

QSize TScaledPresenter::ClientSize() const {
  const QSize device = device_.ClientSize();
  return {device.width() / scale_, device.height() / scale_};
}

void TScaledPresenter::EnsureEnlargedFrame() {
  const QSize device = device_.ClientSize();
  if (enlarged_.size() == device) return;
  device_.AwaitPresented();
  enlarged_ = QImage();  // let go of the former device memory first
  enlarged_ = device_.AllocateBackBuffer(device);
  if (enlarged_.isNull()) enlarged_ = QImage(device, QImage::Format_RGB32);
  enlarged_.fill(Qt::black);
}

void TScaledPresenter::Enlarge(const QImage& back, const QRect& source, QPoint at) {
  const int s = scale_;
  const size_t rowBytes = static_cast<size_t>(source.width()) * s * sizeof(uint32_t);
  for (int row = 0; row < source.height(); ++row) {
    const int deviceRow = (at.y() + row) * s;
    auto* first = reinterpret_cast<uint32_t*>(enlarged_.scanLine(deviceRow)) + at.x() * s;
    EnlargeRow(reinterpret_cast<const uint32_t*>(back.constScanLine(source.top() + row)),
               source.left(), source.right() + 1, s, first);
    for (int i = 1; i < s; ++i) {  // the same row again below
      std::memcpy(reinterpret_cast<uint32_t*>(enlarged_.scanLine(deviceRow + i)) + at.x() * s,
                  first, rowBytes);
    }
  }
}

void TScaledPresenter::Present(const QImage& back, TPresentParts parts, QPoint offset) {
  if (device_.Executor() != nullptr) {  // composed and enlarged on the graphics device
    device_.Present(back, parts, offset);
    return;
  }
  device_.AwaitPresented();  // before the enlarged frame is drawn over
  EnsureEnlargedFrame();
  const QRect fits(QPoint(0, 0), QSize(enlarged_.width() / scale_, enlarged_.height() / scale_));
  deviceParts_.clear();
  for (const QRect& part : parts) {
    // The area in logical pixels of the frame placed at `offset`, within the device's frame.
    const QRect r = part.translated(offset) & fits & back.rect().translated(offset);
    if (r.isEmpty()) continue;
    Enlarge(back, r.translated(-offset), r.topLeft());
    deviceParts_.emplace_back(r.left() * scale_, r.top() * scale_, r.width() * scale_,
                              r.height() * scale_);
  }
  if (!deviceParts_.empty()) device_.Present(enlarged_, deviceParts_, QPoint(0, 0));
}

QImage EnlargedPixels(const QImage& back, int scale) {
  QImage enlarged(back.size() * scale, QImage::Format_RGB32);
  for (int y = 0; y < enlarged.height(); ++y) {
    EnlargeRow(reinterpret_cast<const uint32_t*>(back.constScanLine(y / scale)), 0, back.width(),
               scale, reinterpret_cast<uint32_t*>(enlarged.scanLine(y)));
  }
  return enlarged;
}

}  // namespace tess
