#include "render/framerecorder.h"

#include <algorithm>
#include <chrono>

#include "render/bandworker.h"
#include "render/frameexecutor.h"
#include "render/surface.h"

namespace tess {

namespace {

// How far ahead the matching looks for an operation that was inserted or removed (a chain that
// grew by one symbol shifts everything after it by one).
constexpr size_t kLookahead = 64;

// Changed runs closer than this along a band are drawn as one: each run costs a pass over the
// band's drawings, a few pixels more cost less.
constexpr int32_t kMergeGap = 8;

// A frame that took at least this long to draw has the next one drawn on two threads.
double& SecondThreadMsSlot() {
  static double ms = 3.0;
  return ms;
}

uint64_t Mix(uint64_t h, uint64_t v) {
  h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h;
}

uint64_t MixRect(uint64_t h, const TRect& r) {
  h = Mix(h, (static_cast<uint64_t>(static_cast<uint32_t>(r.Left)) << 32) |
                 static_cast<uint32_t>(r.Top));
  return Mix(h, (static_cast<uint64_t>(static_cast<uint32_t>(r.Right)) << 32) |
                    static_cast<uint32_t>(r.Bottom));
}

}  // namespace

void TFrameRecorder::RecordFill(const TRect& bounds, uint32_t value) {
  TDrawOp op;
  op.kind = TDrawOp::Kind::kFill;
  op.bounds = bounds;
  op.value = value;
  op.digest = Mix(MixRect(1, bounds), value);
  current_.push_back(op);
}

void TFrameRecorder::RecordBlit(const TRect& bounds, const TRect& dest, const TRect& src,
                                const TDirectDrawSurface& source, bool transparent, bool matched) {
  TDrawOp op;
  op.kind = TDrawOp::Kind::kBlit;
  op.bounds = bounds;
  op.dest = dest;
  op.src = src;
  op.source = &source;
  op.sourceVersion = source.Version();
  op.value = source.SourceColorKey();
  op.transparent = transparent;
  if (!matched) {
    current_.push_back(op);
    return;
  }
  uint64_t h = MixRect(MixRect(MixRect(2, bounds), dest), src);
  h = Mix(h, reinterpret_cast<uintptr_t>(&source));
  h = Mix(h, op.sourceVersion);
  op.digest = Mix(h, (uint64_t{op.value} << 1) | (transparent ? 1 : 0));
  current_.push_back(op);
}

void TFrameRecorder::RecordText(const TRect& bounds, TTextOp text) {
  TDrawOp op;
  op.kind = TDrawOp::Kind::kText;
  op.bounds = bounds;
  op.text = static_cast<int32_t>(currentTexts_.size());
  op.digest = Mix(MixRect(3, bounds), qHash(text.text));
  currentTexts_.push_back(std::move(text));
  current_.push_back(op);
}

bool SameDrawing(const TDrawOp& a, const TDrawOp& b) {
  if (a.digest != b.digest || a.kind != b.kind || a.bounds != b.bounds) return false;
  switch (a.kind) {
    case TDrawOp::Kind::kFill:
      return a.value == b.value;
    case TDrawOp::Kind::kBlit:
      return a.dest == b.dest && a.src == b.src && a.source == b.source &&
             a.sourceVersion == b.sourceVersion && a.value == b.value &&
             a.transparent == b.transparent;
    case TDrawOp::Kind::kText:
      return false;
  }
  return false;
}

bool TFrameRecorder::Same(const TDrawOp& a, const TDrawOp& b) const {
  if (a.kind != TDrawOp::Kind::kText) return SameDrawing(a, b);
  return a.digest == b.digest && a.bounds == b.bounds &&
         previousTexts_[static_cast<size_t>(a.text)] == currentTexts_[static_cast<size_t>(b.text)];
}

// Pairs equal operations of the two frames in order (an order-preserving common subsequence,
// found greedily with a bounded look ahead). Unpaired operations are what changed.
void TFrameRecorder::MatchAgainstPrevious() {
  const size_t na = previous_.size(), nb = current_.size();
  previousMatched_.assign(na, 0);
  currentMatched_.assign(nb, 0);
  pairedWith_.assign(nb, -1);
  // The same kind of drawing at the same place, perhaps changed (a symbol that turned, and its
  // ink with it): the two frames are aligned there.
  const auto aligned = [](const TDrawOp& a, const TDrawOp& b) {
    return a.kind == b.kind &&
           (a.kind == TDrawOp::Kind::kBlit ? a.dest == b.dest : a.bounds == b.bounds);
  };
  size_t i = 0, j = 0;
  while (i < na && j < nb) {
    if (aligned(previous_[i], current_[j])) {
      if (Same(previous_[i], current_[j])) {
        previousMatched_[i] = 1;
        currentMatched_[j] = 1;
      } else {
        pairedWith_[j] = static_cast<int32_t>(i);
      }
      ++i;
      ++j;
      continue;
    }
    // Drawings inserted or removed (a chain that grew or lost its top): find where the frames
    // align again a little further on.
    bool resynced = false;
    for (size_t d = 1; d <= kLookahead && !resynced; ++d) {
      if (i + d < na && aligned(previous_[i + d], current_[j])) {
        i += d;  // drawings of the last frame that are gone
        resynced = true;
      } else if (j + d < nb && aligned(previous_[i], current_[j + d])) {
        j += d;  // new drawings
        resynced = true;
      }
    }
    if (!resynced) {  // most likely the same drawing, moved (a drifting symbol)
      pairedWith_[j] = static_cast<int32_t>(i);
      ++i;
      ++j;
    }
  }
}

void TFrameRecorder::MarkChanged(const TRect& bounds) {
  const TRect b = bounds.Intersected(surface_);
  if (b.Empty()) return;
  // Shown exactly, so that the display copies no more than it must.
  present_.emplace_back(b.Left, b.Top, b.Width(), b.Height());
  for (int band = b.Top / kBand; band <= (b.Bottom - 1) / kBand; ++band) {
    changed_[band].push_back(
        b.Intersected(TRect{surface_.Left, band * kBand, surface_.Right, (band + 1) * kBand}));
  }
}

// Merges the changed rectangles of each band into runs along it, in top-to-bottom,
// left-to-right order; the runs of one band share its changed rows, as a banded region wants.
void TFrameRecorder::CollectSpans() {
  spans_.clear();
  bandFirstSpan_.assign(static_cast<size_t>(bands_) + 1, 0);
  for (int band = 0; band < bands_; ++band) {
    bandFirstSpan_[band] = static_cast<int32_t>(spans_.size());
    std::vector<TRect>& parts = changed_[band];
    if (parts.empty()) continue;
    std::sort(parts.begin(), parts.end(),
              [](const TRect& a, const TRect& b) { return a.Left < b.Left; });
    int top = parts.front().Top, bottom = parts.front().Bottom;
    for (const TRect& p : parts) {
      top = std::min(top, p.Top);
      bottom = std::max(bottom, p.Bottom);
    }
    int left = parts.front().Left, right = parts.front().Right;
    for (size_t k = 1; k <= parts.size(); ++k) {
      if (k < parts.size() && parts[k].Left <= right + kMergeGap) {
        right = std::max(right, parts[k].Right);
        continue;
      }
      spans_.emplace_back(left, top, right - left, bottom - top);
      if (k < parts.size()) {
        left = parts[k].Left;
        right = parts[k].Right;
      }
    }
  }
  bandFirstSpan_[bands_] = static_cast<int32_t>(spans_.size());
}

void TFrameRecorder::Execute(TDirectDrawSurface& surface, const TDrawOp& op,
                             const TRect& clip) const {
  switch (op.kind) {
    case TDrawOp::Kind::kFill:
      surface.DrawFill(clip, op.value);
      break;
    case TDrawOp::Kind::kBlit:
      surface.DrawBlit(op.dest, op.src, *op.source, op.transparent, op.value, clip, true);
      break;
    case TDrawOp::Kind::kText:
      surface.ExecuteText(currentTexts_[static_cast<size_t>(op.text)], clip);
      break;
  }
}

// Draws the changed runs of one band: each operation of the band, in order, onto the runs it
// meets (found by halving, as the runs lie left to right).
void TFrameRecorder::ExecuteBand(TDirectDrawSurface& surface, int band) {
  const int32_t firstSpan = bandFirstSpan_[band], endSpan = bandFirstSpan_[band + 1];
  if (firstSpan == endSpan) return;
  const QRect& a = spans_[static_cast<size_t>(firstSpan)];
  const QRect& z = spans_[static_cast<size_t>(endSpan - 1)];
  const TRect reach{a.left(), a.top(), z.right() + 1, a.bottom() + 1};
  const std::vector<int32_t>& ops = bandOps_[band];
  // Whatever an opaque operation covers completely need not be drawn before it: start at the
  // last one that covers every run (the background picture hides the background fill).
  size_t start = 0;
  for (size_t m = ops.size(); m-- > 0;) {
    if (Covers(current_[static_cast<size_t>(ops[m])], reach)) {
      start = m;
      break;
    }
  }
  const auto spansBegin = spans_.begin() + firstSpan, spansEnd = spans_.begin() + endSpan;
  for (size_t m = start; m < ops.size(); ++m) {
    const TDrawOp& op = current_[static_cast<size_t>(ops[m])];
    auto span = std::lower_bound(spansBegin, spansEnd, op.bounds.Left,
                                 [](const QRect& r, int32_t x) { return r.right() < x; });
    for (; span != spansEnd && span->left() < op.bounds.Right; ++span) {
      const TRect part = op.bounds.Intersected(
          TRect{span->left(), span->top(), span->right() + 1, span->bottom() + 1});
      if (!part.Empty()) Execute(surface, op, part);
    }
  }
}

bool TFrameRecorder::Covers(const TDrawOp& op, const TRect& area) {
  const bool opaque =
      op.kind == TDrawOp::Kind::kFill || (op.kind == TDrawOp::Kind::kBlit && !op.transparent);
  return opaque && op.bounds.Intersected(area) == area;
}

TFrameRecorder::TFrameRecorder() = default;
TFrameRecorder::~TFrameRecorder() = default;

// The bands, on this thread or, when the last frame took long to draw, half of them on a
// second one. Text is drawn through the GUI layer, which wants one thread: the bands with text
// (the credit line at the bottom) stay on this one.
void TFrameRecorder::ExecuteBands(TDirectDrawSurface& surface) {
  const auto start = std::chrono::steady_clock::now();
  surface.Touch();  // once for the frame: the drawing calls below leave the surface alone
  int split = 0;
  if (lastExecuteMs_ >= SecondThreadMsSlot()) {
    size_t total = 0;
    for (int band = 0; band < bands_; ++band)
      total += bandOps_[band].size();
    for (size_t sum = 0; split < bands_ && sum * 2 < total; ++split) {
      sum += bandOps_[split].size();
    }
    for (const TDrawOp& op : current_) {
      if (op.kind == TDrawOp::Kind::kText)
        split = std::min(split, std::max(op.bounds.Top, 0) / kBand);
    }
  }
  if (split > 0) {
    // A source written after it was recorded has lost its runs: they are made again here, not
    // by both threads at once.
    for (const TDrawOp& op : current_) {
      if (op.kind == TDrawOp::Kind::kBlit && op.transparent) op.source->PrepareKeyRuns(op.value);
    }
    if (!worker_) {
      worker_ = std::make_unique<TBandWorker>([this](int first, int end) {
        for (int band = first; band < end; ++band)
          ExecuteBand(*drawing_, band);
      });
    }
    drawing_ = &surface;
    worker_->Start(0, split);
  }
  for (int band = split; band < bands_; ++band)
    ExecuteBand(surface, band);
  if (split > 0) worker_->Wait();
  lastExecuteMs_ =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void TFrameRecorder::SetSecondThreadAfter(double ms) {
  SecondThreadMsSlot() = ms;
}

// What the display will be given: the changed parts, the drawn runs, or the whole frame,
// whichever costs it least to copy. A display copies each rectangle row by row and sets up
// each rectangle of a clip list, so many small rectangles can cost more than one large one.
void TFrameRecorder::ChoosePresentedArea() {
  // Nanoseconds an X server spends per pixel, per row of a rectangle and per rectangle
  // (measured on Xvfb).
  constexpr double kPixel = 0.4, kRow = 18, kRect = 80;
  const auto cost = [](const auto& rects) {
    double c = 0;
    for (const auto& r : rects)
      c += kPixel * r.width() * r.height() + kRow * r.height() + kRect;
    return c;
  };
  const QRect whole(surface_.Left, surface_.Top, surface_.Width(), surface_.Height());
  const double partsCost = cost(present_), spansCost = cost(spans_);
  const double wholeCost = kPixel * whole.width() * whole.height() + kRow * whole.height() + kRect;
  if (present_.empty() || partsCost <= std::min(spansCost, wholeCost)) return;
  if (spansCost < wholeCost) {
    present_.assign(spans_.begin(), spans_.end());
  } else {
    present_.assign(1, whole);
  }
}

bool TFrameRecorder::HandTo(IFrameExecutor& executor, const TRect& surface) {
  if (!executor.Execute({surface, current_, currentTexts_})) return false;
  current_.clear();
  currentTexts_.clear();
  historyValid_ = false;  // the surface's own pixels never saw this frame
  return true;
}

TPresentParts TFrameRecorder::Commit(TDirectDrawSurface& surface) {
  surface_ = surface.Bounds();
  bands_ = (surface_.Height() + kBand - 1) / kBand;
  if (changed_.size() < static_cast<size_t>(bands_)) changed_.resize(bands_);
  for (int band = 0; band < bands_; ++band)
    changed_[band].clear();
  present_.clear();
  if (!historyValid_) {
    MarkChanged(surface_);
  } else {
    MatchAgainstPrevious();
    // A drawing that changed in its place or moved a little (a symbol that turned, drifted or
    // grew) counts once, with the old and new areas together; drawings that came or went, or
    // jumped, count alone.
    for (size_t j = 0; j < current_.size(); ++j) {
      if (currentMatched_[j]) continue;
      const int32_t i = pairedWith_[j];
      const TRect& now = current_[j].bounds;
      if (i >= 0 && previous_[static_cast<size_t>(i)].bounds.Intersects(now)) {
        MarkChanged(now.United(previous_[static_cast<size_t>(i)].bounds));
        previousMatched_[static_cast<size_t>(i)] = 1;
      } else {
        MarkChanged(now);
      }
    }
    for (size_t i = 0; i < previous_.size(); ++i) {
      if (!previousMatched_[i]) MarkChanged(previous_[i].bounds);
    }
  }
  CollectSpans();

  ChoosePresentedArea();

  if (!spans_.empty()) {
    // The operations touching each band, in drawing order.
    if (bandOps_.size() < static_cast<size_t>(bands_)) bandOps_.resize(bands_);
    for (int band = 0; band < bands_; ++band)
      bandOps_[band].clear();
    for (size_t j = 0; j < current_.size(); ++j) {
      const TRect& b = current_[j].bounds;
      if (b.Empty()) continue;
      const int last = std::min((b.Bottom - 1) / kBand, bands_ - 1);
      for (int band = std::max(b.Top, 0) / kBand; band <= last; ++band) {
        bandOps_[band].push_back(static_cast<int32_t>(j));
      }
    }
    ExecuteBands(surface);
  }

  std::swap(previous_, current_);
  std::swap(previousTexts_, currentTexts_);
  current_.clear();
  currentTexts_.clear();
  historyValid_ = true;
  return present_;
}

}  // namespace tess
