#include "render/quickpixel.h"

#include <algorithm>

namespace tess {

TQuickPixel::TQuickPixel(QImage& bitmap) {
  if (bitmap.format() != QImage::Format_BGR888) {
    bitmap.convertTo(QImage::Format_BGR888);
  }
  rows_.resize(static_cast<size_t>(std::max(bitmap.height(), 0)));
  for (int y = 0; y < bitmap.height(); ++y)
    rows_[y] = bitmap.scanLine(y);
}

}  // namespace tess
