#pragma once
// A rectangle in surface pixels with exclusive right and bottom edges, as blits and clipping use
// them (QRect's inclusive right edge would invite off-by-one errors here).
#include <algorithm>
#include <cstdint>

namespace tess {

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;

  constexpr int32_t Width() const { return Right - Left; }
  constexpr int32_t Height() const { return Bottom - Top; }
  // Empty unless right > left and bottom > top, compared as signed numbers.
  constexpr bool Empty() const { return Right <= Left || Bottom <= Top; }

  constexpr TRect Intersected(const TRect& o) const {
    return {std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right),
            std::min(Bottom, o.Bottom)};
  }
  constexpr bool Intersects(const TRect& o) const { return !Intersected(o).Empty(); }
  constexpr TRect United(const TRect& o) const {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    return {std::min(Left, o.Left), std::min(Top, o.Top), std::max(Right, o.Right),
            std::max(Bottom, o.Bottom)};
  }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect RectOfSize(int32_t width, int32_t height) {
  return {0, 0, width, height};
}

}  // namespace tess
