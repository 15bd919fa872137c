#pragma once
// Direct access to the pixels of a 24-bit bitmap, without a call into the GUI layer per pixel.
// The bitmap is turned into 24 bits per pixel with the bytes of a pixel in the order blue, green,
// red; row addresses are taken once, top row first.
#include <QImage>
#include <cstdint>
#include <vector>

#include "core/colour.h"

namespace tess {

class TQuickPixel {
 public:
  // The bitmap must outlive this object and keep its size and format meanwhile.
  explicit TQuickPixel(QImage& bitmap);

  // A colour integer: red in bits 0 to 7, green 8 to 15, blue 16 to 23. No bounds check: the
  // caller keeps 0 <= x < width and 0 <= y < height.
  ColourInt ReadPixel(int32_t x, int32_t y) const {
    const uint8_t* p = rows_[y] + 3 * x;
    return p[0] * 65536 + p[1] * 256 + p[2];
  }
  void WritePixel(int32_t x, int32_t y, ColourInt colour) {
    uint8_t* p = rows_[y] + 3 * x;
    p[0] = static_cast<uint8_t>(colour >> 16);
    p[1] = static_cast<uint8_t>(colour >> 8);
    p[2] = static_cast<uint8_t>(colour);
  }

  int32_t RowCount() const { return static_cast<int32_t>(rows_.size()); }

 private:
  std::vector<uint8_t*> rows_;
};

}  // namespace tess
