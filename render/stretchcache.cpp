#include "render/stretchcache.h"

#include <algorithm>

namespace tess {

namespace {

void Stretch(const uint32_t* pixels, ptrdiff_t stride, TStretchedPicture& out) {
  const TRect& src = out.source;
  out.pixels.resize(static_cast<size_t>(out.width) * out.height);
  out.ink = {};
  out.runStart.assign(static_cast<size_t>(out.height) + 1, 0);
  out.runs.clear();
  for (int32_t y = 0; y < out.height; ++y) {
    const uint32_t* from = pixels + (src.Top + SampleOf(y, src.Height(), out.height)) * stride;
    uint32_t* to = out.pixels.data() + static_cast<ptrdiff_t>(y) * out.width;
    out.runStart[static_cast<size_t>(y)] = static_cast<uint32_t>(out.runs.size());
    for (int32_t x = 0; x < out.width; ++x) {
      to[x] = from[src.Left + SampleOf(x, src.Width(), out.width)];
      if (to[x] == out.key) continue;
      if (out.runs.size() > out.runStart[static_cast<size_t>(y)] && out.runs.back().second == x) {
        ++out.runs.back().second;  // the run goes on
      } else {
        out.runs.emplace_back(static_cast<int16_t>(x), static_cast<int16_t>(x + 1));
      }
    }
    const auto first = out.runs.begin() + out.runStart[static_cast<size_t>(y)];
    const int32_t left = first != out.runs.end() ? first->first : 0;
    const int32_t right = first != out.runs.end() ? out.runs.back().second : 0;
    if (left < right) out.ink = out.ink.United({left, y, right, y + 1});
  }
  out.runStart[static_cast<size_t>(out.height)] = static_cast<uint32_t>(out.runs.size());
}

}  // namespace

const TStretchedPicture* TStretchCache::Find(const TRect& srcRect, int32_t width, int32_t height,
                                             uint32_t key) const {
  for (const TStretchedPicture& entry : entries_) {
    if (entry.width == width && entry.height == height && entry.key == key &&
        entry.source == srcRect)
      return &entry;
  }
  return nullptr;
}

const TStretchedPicture& TStretchCache::Get(const uint32_t* pixels, ptrdiff_t stride,
                                            const TRect& srcRect, int32_t width, int32_t height,
                                            uint32_t key) {
  const auto matches = [&](const TStretchedPicture& entry) {
    return entry.width == width && entry.height == height && entry.key == key &&
           entry.source == srcRect;
  };
  if (last_ < entries_.size() && matches(entries_[last_])) return entries_[last_];
  for (size_t e = 0; e < entries_.size(); ++e) {
    if (!matches(entries_[e])) continue;
    last_ = e;
    return entries_[e];
  }
  TStretchedPicture* slot;
  if (entries_.capacity() < kMaxEntries) entries_.reserve(kMaxEntries);  // references stay valid
  if (entries_.size() < kMaxEntries) {
    slot = &entries_.emplace_back();
  } else {
    slot = &entries_[next_];
    next_ = (next_ + 1) % kMaxEntries;
  }
  last_ = static_cast<size_t>(slot - entries_.data());
  slot->source = srcRect;
  slot->width = width;
  slot->height = height;
  slot->key = key;
  Stretch(pixels, stride, *slot);
  return *slot;
}

}  // namespace tess
