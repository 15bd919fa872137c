#pragma once
// Redrawing only what changed. While a frame is composed on the back surface, its drawing
// operations (fills, stretched blits, text) are recorded instead of executed. At the flip the new
// list is matched against the last frame's, in order: a pixel that no unmatched operation of
// either frame touches is covered by the same operations in the same order as before, so it
// already holds its final value. The rest is drawn by running the new list clipped to it, band by
// band of 32 rows (so that what a band's drawings write stays in the processor's cache), and only
// the changed area is presented, exactly. The result is, pixel for pixel, what drawing the whole
// frame would have given.
#include <QFont>
#include <QRect>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/colour.h"
#include "render/presenter.h"
#include "render/rect.h"

namespace tess {

class TDirectDrawSurface;
struct TCanvasFont;
enum class TBrushStyle;

struct TDrawOp {
  enum class Kind : uint8_t { kFill, kBlit, kText };
  Kind kind = Kind::kFill;
  bool transparent = false;
  TRect bounds;  // every pixel the operation can touch, within the surface
  // Fill: the raw value. Blit: the source's colour key.
  uint32_t value = 0;
  // Blit: the destination and source rectangles and the source surface, with the version of its
  // pixels, so that a source drawn into since (or a new surface at a reused address) never
  // matches.
  TRect dest;
  TRect src;
  const TDirectDrawSurface* source = nullptr;
  uint64_t sourceVersion = 0;
  // Text: index into the frame's text store.
  int32_t text = -1;
  // A digest of all of the above, so that most comparisons end at one number.
  uint64_t digest = 0;
};

// Whether two fills or blits write the same pixels over the same pixels (texts compare their
// words apart).
bool SameDrawing(const TDrawOp& a, const TDrawOp& b);

struct TTextOp {
  int32_t x = 0;
  int32_t y = 0;
  QString text;
  QFont font;
  ColourInt colour = 0;
  bool opaque = false;  // a solid brush paints the text's cell first
  ColourInt brush = 0;
  friend bool operator==(const TTextOp&, const TTextOp&) = default;
};

class TBandWorker;
class IFrameExecutor;

class TFrameRecorder {
 public:
  TFrameRecorder();
  ~TFrameRecorder();
  void RecordFill(const TRect& bounds, uint32_t value);
  // `matched`: false for a frame that goes whole to an executor, which is never compared with
  // the last one, and so has no digest to compute (should it be drawn here after all, it is
  // drawn whole: the history is gone then).
  void RecordBlit(const TRect& bounds, const TRect& dest, const TRect& src,
                  const TDirectDrawSurface& source, bool transparent, bool matched = true);
  void RecordText(const TRect& bounds, TTextOp text);

  bool HasPending() const { return !current_.empty(); }
  // Draws the pending frame into `surface`, which must still hold the last committed frame, and
  // returns the area that changed (valid until the next commit).
  TPresentParts Commit(TDirectDrawSurface& surface);
  // Gives the pending frame, whole, to `executor` instead of drawing it into the surface. False
  // when the executor failed: the frame is still pending, for Commit.
  bool HandTo(IFrameExecutor& executor, const TRect& surface);
  // The surface's pixels no longer hold the last frame: the next commit draws everything.
  void ForgetHistory() { historyValid_ = false; }

  static constexpr int kBand = 32;

  // A frame that took at least this long to draw has the next one drawn on two threads (3 ms
  // unless a test asks for another time: 0 for always).
  static void SetSecondThreadAfter(double ms);

  // Whether the operation paints every pixel of `area` without looking at what was there.
  static bool Covers(const TDrawOp& op, const TRect& area);

 private:
  bool Same(const TDrawOp& a, const TDrawOp& b) const;
  void MatchAgainstPrevious();
  void MarkChanged(const TRect& bounds);
  void CollectSpans();
  void ChoosePresentedArea();
  void Execute(TDirectDrawSurface& surface, const TDrawOp& op, const TRect& clip) const;
  void ExecuteBand(TDirectDrawSurface& surface, int band);
  void ExecuteBands(TDirectDrawSurface& surface);

  std::vector<TDrawOp> previous_, current_;
  std::vector<TTextOp> previousTexts_, currentTexts_;
  bool historyValid_ = false;
  // Work space, kept between frames so that composing allocates nothing once warm.
  std::vector<uint8_t> previousMatched_, currentMatched_;
  TRect surface_;
  int bands_ = 0;
  std::vector<std::vector<TRect>> changed_;  // per band: the changed rectangles in it
  std::vector<QRect> spans_;
  std::vector<int32_t> bandFirstSpan_;  // spans of band b: [bandFirstSpan_[b], ...[b + 1])
  std::vector<std::vector<int32_t>> bandOps_;
  // Per current drawing: the last frame's drawing it most likely is (at its place, or at its
  // position in the list), changed; or -1.
  std::vector<int32_t> pairedWith_;
  std::vector<QRect> present_;  // the changed area, possibly overlapping rectangles
  double lastExecuteMs_ = 0;
  std::unique_ptr<TBandWorker> worker_;
  TDirectDrawSurface* drawing_ = nullptr;
};

}  // namespace tess
