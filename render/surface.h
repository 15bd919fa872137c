#pragma once
// One display surface: the back surface a frame is composed in, or an image surface that holds a
// picture ready for blitting. Pixels are raw 0x00RRGGBB values in a QImage of Format_RGB32 (whose
// unused top byte Qt keeps at 0xFF); fills and colour keys take raw values, canvases take colour
// integers. The primary surface stands for the window and holds no pixels of its own.
#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "core/colour.h"
#include "render/framerecorder.h"
#include "render/rect.h"
#include "render/stretchcache.h"

namespace tess {

class TDirectDrawSurface;
class IFrameExecutor;

// Creates the surfaces of one drawing surface control. Allocation can be made to fail from tests,
// to exercise the error paths that real memory exhaustion would take.
class TDirectDraw {
 public:
  using FailureHook = std::function<bool(int32_t width, int32_t height, bool systemMemory)>;
  static void SetFailureHook(FailureHook hook);

  // Pixel memory for a surface, or a null image when it cannot be made.
  QImage AllocatePixels(int32_t width, int32_t height, bool systemMemory) const;
};

enum class TBrushStyle { bsSolid, bsClear };

struct TCanvasFont {
  ColourInt Color = 0;
  bool Bold = false;
  bool Italic = false;
  // Negative: the character height in pixels; positive: the cell height.
  int32_t Height = -11;
  QString Family;  // empty: the application's default face
};

// Text and pictures drawn onto a surface through the GUI layer. Font and brush settings persist
// from frame to frame; the painter ("device context") is taken on the first drawing operation and
// given back by Release.
class TDirectDrawSurfaceCanvas {
 public:
  explicit TDirectDrawSurfaceCanvas(TDirectDrawSurface& surface);
  ~TDirectDrawSurfaceCanvas();

  TBrushStyle BrushStyle = TBrushStyle::bsSolid;
  ColourInt BrushColor = MakeColour(255, 255, 255);
  TCanvasFont Font;

  // Points at the screen's logical resolution: the height becomes -nearest(points * dpi / 72).
  void SetFontSize(int32_t points);
  int32_t TextWidth(const QString& text);
  // Draws text with the top of its cell at (x, y).
  void TextOut(int32_t x, int32_t y, const QString& text);
  // Draws a picture with its top-left corner at (x, y), as a plain copy of its pixels.
  void Draw(int32_t x, int32_t y, const QImage& picture);

  bool HasDeviceContext() const { return painter_ != nullptr; }
  void Release();

  // The rectangle that TextOut(x, y, text) covers with the current font.
  TRect TextRect(int32_t x, int32_t y, const QString& text);

  // Draws a text operation through a painter (clipped by the caller): every executor of a
  // recorded frame draws text through this one routine, so that it is the same everywhere.
  static void PaintText(class QPainter& painter, const TTextOp& text);

 private:
  friend class TDirectDrawSurface;
  class QPainter& DeviceContext();
  class QFont CurrentFont() const;
  TTextOp MakeTextOp(int32_t x, int32_t y, const QString& text);
  // The layout of a text in the current font, kept for the last text asked about.
  struct TextMetrics {
    bool valid = false;
    QString text;
    int32_t height = 0;
    bool bold = false;
    bool italic = false;
    QString family;
    QFont application;
    QFont font;
    int32_t advance = 0;
    int32_t lineHeight = 0;
    int32_t ascent = 0;
    QRect ink;
  };
  const TextMetrics& MetricsOf(const QString& text);

  TDirectDrawSurface& surface_;
  std::unique_ptr<class QPainter> painter_;
  TextMetrics metrics_;
};

class TDirectDrawSurface {
 public:
  explicit TDirectDrawSurface(const TDirectDraw& ddraw);
  ~TDirectDrawSurface();
  TDirectDrawSurface(const TDirectDrawSurface&) = delete;
  TDirectDrawSurface& operator=(const TDirectDrawSurface&) = delete;

  // Makes this the primary surface: the window of the given client size, without pixels.
  void MakePrimary(int32_t width, int32_t height);

  bool HasInterface() const { return hasInterface_; }
  bool IsPrimary() const { return primary_; }
  // 0 x 0 without an interface.
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  TRect Bounds() const { return RectOfSize(width_, height_); }

  // Create in system memory instead of trying video memory first (ours always live there).
  bool SystemMemory = false;

  bool OwnClipper() const { return ownClipper_; }

  // The result code of the last operation; 0 is success.
  int32_t LastResult() const { return lastResult_; }

  // Gives the surface a new size; 0 or less in either direction gives up the interface. Raises
  // EDirectDrawSurfaceError "Surface cannot be made" when the memory cannot be had.
  void SetSize(int32_t width, int32_t height);
  // Takes pixel memory made elsewhere (Format_RGB32), starting black.
  void AdoptPixels(QImage pixels);
  void ReleaseInterface();

  // One colour fill of the whole surface with a raw pixel value, unconverted.
  bool FillDeviceColor(uint32_t value);
  // The same, limited to a rectangle (clipped to the surface).
  bool FillRect(const TRect& rect, uint32_t value);

  // Raw pixel access; outside the surface, without an interface or while locked a read gives 0
  // and a write does nothing.
  uint32_t ReadPixel(int32_t x, int32_t y);
  void WritePixel(int32_t x, int32_t y, uint32_t value);
  bool Lock();
  void Unlock();

  // The raw value that drawing the colour through the canvas stores.
  uint32_t DeviceColorOf(ColourInt colour);
  void SetSourceColorKey(uint32_t value);
  uint32_t SourceColorKey() const { return colorKey_; }

  // Scales the source rectangle of `source` onto the destination rectangle, nearest pixel, clipped
  // to this surface without changing the mapping; with `transparent`, source pixels equal to the
  // source's colour key leave the destination unchanged.
  void BlitStretched(const TRect& destRect, const TRect& srcRect, const TDirectDrawSurface* source,
                     bool transparent);
  // The same, limited to `clip` (also clipped to this surface).
  void BlitStretchedClipped(const TRect& destRect, const TRect& srcRect,
                            const TDirectDrawSurface* source, bool transparent, const TRect& clip);

  // Takes the size of `srcRect` and copies that part of the picture into the surface.
  void LoadFromGraphic(const QImage& picture, const TRect& srcRect);

  // Deferred composition (the back surface): fills, blits and text are recorded and drawn at
  // CommitFrame, only where the frame changed. Anything that reads or writes pixels directly
  // first draws what is pending.
  void SetDeferred(bool deferred);
  bool Deferred() const { return recorder_ != nullptr; }
  // Draws the pending frame; returns the area that changed (everything without deferral), valid
  // until the next commit.
  TPresentParts CommitFrame();
  // The pixels no longer hold the last frame (lost, restored): the next commit draws all.
  void ForgetFrameHistory();
  // With deferral, frames go whole to `executor` (the graphics device) instead of into the
  // pixels; should it fail, the surface draws that frame and every later one itself.
  void SetExecutor(IFrameExecutor* executor) { executor_ = executor; }
  bool HasExecutor() const { return executor_ != nullptr; }
  // Whether the executor failed since the last call (and was dropped).
  bool TakeExecutorFailure() { return std::exchange(executorFailed_, false); }

  // A number that is new whenever the surface's pixels may have changed: new pixel memory or
  // anything drawn into it. A recorded blit from it matches a later one only at the same version.
  uint64_t Version() const { return version_; }

  // The destination pixels a keyed blit of srcRect onto destRect can change: within those
  // showing the bounding box of the source's ink.
  static TRect InkFootprint(const TRect& destRect, const TRect& srcRect,
                            const TDirectDrawSurface& source);

  TDirectDrawSurfaceCanvas& Canvas();

  // Lost surfaces: the restore path of the drawing surface is exercised by marking them lost.
  bool IsLost() const { return lost_; }
  void MarkLost() { lost_ = true; }
  bool Restore();
  void SetRestoreFails(bool fails) { restoreFails_ = fails; }

  // The pixel memory, for presenting and for tests. Null for the primary surface.
  const QImage& Pixels() const { return image_; }

 private:
  friend class TDirectDrawSurfaceCanvas;
  friend class TFrameRecorder;
  // Drawing that happens now, clipped, bypassing the recorder: only the recorder replays frames
  // through these, and the surface itself draws through them when it records nothing.
  void ExecuteFill(const TRect& clip, uint32_t value);
  void ExecuteBlit(const TRect& destRect, const TRect& srcRect, const TDirectDrawSurface& source,
                   bool transparent, uint32_t key, const TRect& clip);
  void ExecuteText(const TTextOp& text, const TRect& clip);
  // The same without marking the surface changed, for the recorder, which marks it once a frame:
  // these run on two threads at once, each on rows of its own, and only read what recording
  // prepared (the pictures kept stretched), so that nothing shared changes.
  void DrawFill(const TRect& clip, uint32_t value);
  // Makes, as a keyed source, the runs DrawBlit reads: before two threads draw from it.
  void PrepareKeyRuns(uint32_t key) const;
  void DrawBlit(const TRect& destRect, const TRect& srcRect, const TDirectDrawSurface& source,
                bool transparent, uint32_t key, const TRect& clip, bool prepared);
  // Small blits come from the picture already stretched; larger ones are stretched as drawn.
  void BlitCached(const TRect& destRect, const TRect& visible, const TStretchedPicture& picture,
                  bool transparent);
  void BlitStretchedDirect(const TRect& destRect, const TRect& srcRect,
                           const TDirectDrawSurface& source, bool transparent, uint32_t key,
                           const TRect& visible);
  // The pixels are about to change: what was derived from them goes.
  void Touch();
  void SetInterface(QImage pixels);
  // Draws what is pending before pixels are touched directly; the next frame draws all.
  void Materialize();
  // Rows of the pixel memory, taken once when it is set: the pixels are never shared with another
  // picture, so the memory stays put (and a hot loop asks the picture nothing).
  uint32_t* Row(int32_t y) { return pixels_ + static_cast<ptrdiff_t>(y) * stride_; }
  const uint32_t* Row(int32_t y) const { return pixels_ + static_cast<ptrdiff_t>(y) * stride_; }

  const TDirectDraw& ddraw_;
  QImage image_;
  uint32_t* pixels_ = nullptr;
  ptrdiff_t stride_ = 0;  // in pixels
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool hasInterface_ = false;
  bool primary_ = false;
  bool ownClipper_ = false;
  bool lost_ = false;
  bool restoreFails_ = false;
  int32_t lockCount_ = 0;
  int32_t lastResult_ = 0;
  uint32_t colorKey_ = 0;
  std::unique_ptr<TDirectDrawSurfaceCanvas> canvas_;
  // As a blit source: the runs of pixels that differ from the colour key, row by row, so that a
  // keyed blit copies ink and skips the see-through rest without testing it pixel by pixel.
  struct KeyRuns {
    bool valid = false;
    uint32_t key = 0;
    std::vector<uint32_t> rowStart;  // index of each row's first run; one extra at the end
    std::vector<std::pair<int32_t, int32_t>> runs;  // [left, right) columns
    TRect ink;                                      // the bounding box of all runs
  };
  const KeyRuns& RunsFor(uint32_t key) const;
  // The destination pixels a blit of srcRect onto destRect can change: with a colour key only
  // those showing the source's ink.
  TRect Footprint(const TRect& destRect, const TRect& srcRect, const TDirectDrawSurface& source,
                  bool transparent) const;
  mutable KeyRuns keyRuns_;
  mutable TStretchCache stretched_;
  uint64_t version_ = 0;
  std::unique_ptr<TFrameRecorder> recorder_;
  IFrameExecutor* executor_ = nullptr;
  bool executorFailed_ = false;
  QRect whole_;  // the area of a frame drawn without deferral
};

// Result codes recorded on surfaces.
inline constexpr int32_t kResultOk = 0;
inline constexpr int32_t kResultNoInterface = -1;
inline constexpr int32_t kResultInvalidRect = -2;
inline constexpr int32_t kResultLocked = -3;

}  // namespace tess
