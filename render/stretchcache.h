#pragma once
// Pictures already stretched to the sizes they are drawn at. Sprites are drawn at very few sizes
// (a cell size in the drifting and chains scenes), so a keyed stretched blit of a small picture
// becomes a few copies of prepared runs of ink, and what is see-through is never looked at. Larger
// sprites (a zooming symbol changes its size nearly every frame) are not kept: they would take
// memory for a single use.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "render/rect.h"

namespace tess {

struct TStretchedPicture {
  TRect source;  // the source rectangle, and the destination size it was stretched to
  int32_t width = 0;
  int32_t height = 0;
  uint32_t key = 0;              // pixels equal to this one show nothing (with a colour key)
  std::vector<uint32_t> pixels;  // `width` pixels a row, `height` rows
  TRect ink;                     // the box around every pixel that is not the key
  // The runs of pixels that are not the key, row by row: those of row y are
  // runs[runStart[y]] up to runs[runStart[y + 1]], as [first, end) columns.
  std::vector<uint32_t> runStart;
  std::vector<std::pair<int16_t, int16_t>> runs;

  const uint32_t* Row(int32_t y) const { return pixels.data() + static_cast<ptrdiff_t>(y) * width; }
};

class TStretchCache {
 public:
  // The largest edge kept: a picture up to this size takes at most 16 kB.
  static constexpr int32_t kMaxEdge = 64;
  // Per source picture; a scene uses a few sizes at a time.
  static constexpr size_t kMaxEntries = 16;

  static bool Keeps(int32_t width, int32_t height) {
    return width <= kMaxEdge && height <= kMaxEdge;
  }

  // `srcRect` of the picture whose rows start at `pixels`, `stride` pixels apart, stretched to
  // width x height by the blits' own nearest-pixel rule; made on first use.
  const TStretchedPicture& Get(const uint32_t* pixels, ptrdiff_t stride, const TRect& srcRect,
                               int32_t width, int32_t height, uint32_t key);
  // The same when it was made already, else nothing; changes nothing, so that two threads may
  // look at once.
  const TStretchedPicture* Find(const TRect& srcRect, int32_t width, int32_t height,
                                uint32_t key) const;
  void Clear() { entries_.clear(); }

 private:
  std::vector<TStretchedPicture> entries_;
  size_t next_ = 0;  // the entry to replace when full
  size_t last_ = 0;  // the entry found last: most blits of a picture are at one size
};

// The source offset that destination offset `d` of a `destSize`-long span samples: the source
// pixel under the centre of the destination pixel.
inline int32_t SampleOf(int64_t d, int64_t srcSize, int64_t destSize) {
  return static_cast<int32_t>(((2 * d + 1) * srcSize) / (2 * destSize));
}

// SampleOf for the offsets d, d + 1, d + 2, ... in turn, with one division for all of them.
class TSampler {
 public:
  TSampler(int64_t d, int64_t srcSize, int64_t destSize)
      : denominator_(2 * destSize),
        stepQuotient_(2 * srcSize / denominator_),
        stepRemainder_(2 * srcSize % denominator_),
        quotient_((2 * d + 1) * srcSize / denominator_),
        remainder_((2 * d + 1) * srcSize % denominator_) {}
  int32_t Sample() const { return static_cast<int32_t>(quotient_); }
  void Next() {
    quotient_ += stepQuotient_;
    remainder_ += stepRemainder_;
    if (remainder_ >= denominator_) {
      ++quotient_;
      remainder_ -= denominator_;
    }
  }

 private:
  int64_t denominator_, stepQuotient_, stepRemainder_, quotient_, remainder_;
};

}  // namespace tess
