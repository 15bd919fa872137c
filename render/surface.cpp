#include "render/surface.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cstring>

#include "core/nearest.h"
#include "render/errors.h"
#include "render/pixelcopy.h"

namespace tess {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;  // the top byte Qt keeps in Format_RGB32
constexpr uint32_t kRawMask = 0x00FFFFFFu;
constexpr double kDefaultDpi = 96.0;

TDirectDraw::FailureHook& FailureHookSlot() {
  static TDirectDraw::FailureHook hook;
  return hook;
}

double LogicalDpiY() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      return screen->logicalDotsPerInchY();
    }
  }
  return kDefaultDpi;
}

QColor ToQColor(ColourInt c) {
  return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// Versions are unique across surfaces, so that a new surface at an old one's address never
// matches what was recorded of the old one.
uint64_t NextVersion() {
  static uint64_t version = 0;
  return ++version;
}

}  // namespace

// ---- TDirectDraw ------------------------------------------------------------------------------

void TDirectDraw::SetFailureHook(FailureHook hook) {
  FailureHookSlot() = std::move(hook);
}

QImage TDirectDraw::AllocatePixels(int32_t width, int32_t height, bool systemMemory) const {
  if (const auto& hook = FailureHookSlot(); hook && hook(width, height, systemMemory)) {
    return {};
  }
  QImage pixels(width, height, QImage::Format_RGB32);
  if (!pixels.isNull()) pixels.fill(kOpaque);  // new surfaces start black, not with stale memory
  return pixels;
}

// ---- TDirectDrawSurfaceCanvas -------------------------------------------------------------------

TDirectDrawSurfaceCanvas::TDirectDrawSurfaceCanvas(TDirectDrawSurface& surface)
    : surface_(surface) {}

TDirectDrawSurfaceCanvas::~TDirectDrawSurfaceCanvas() {
  Release();
}

void TDirectDrawSurfaceCanvas::SetFontSize(int32_t points) {
  Font.Height = -nearest32(static_cast<long double>(points) * LogicalDpiY() / 72);
}

QFont TDirectDrawSurfaceCanvas::CurrentFont() const {
  QFont font = Font.Family.isEmpty() ? QGuiApplication::font() : QFont(Font.Family);
  font.setPixelSize(std::max(1, std::abs(Font.Height)));
  font.setBold(Font.Bold);
  font.setItalic(Font.Italic);
  // The same rasterisation on every screen: the GUI layer would otherwise hint text differently
  // on a HiDPI screen, and the frame there would not be the logical frame enlarged. Vertical
  // hinting is what a standard desktop uses anyway.
  font.setHintingPreference(QFont::PreferVerticalHinting);
  return font;
}

QPainter& TDirectDrawSurfaceCanvas::DeviceContext() {
  if (!surface_.HasInterface() || surface_.IsPrimary()) {
    throw EDirectDrawSurfaceError(NotMade("IDirectDrawSurface"));
  }
  surface_.Touch();  // the painter may draw
  if (!painter_) {
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&surface_.image_)) {
      painter_.reset();
      throw EDirectDrawSurfaceError(NotMade("IDirectDrawSurface"));
    }
  }
  return *painter_;
}

const TDirectDrawSurfaceCanvas::TextMetrics& TDirectDrawSurfaceCanvas::MetricsOf(
    const QString& text) {
  // The credit line is the same text in the same font every frame: its layout is taken once.
  const QFont application = QGuiApplication::font();
  TextMetrics& m = metrics_;
  if (m.valid && m.text == text && m.height == Font.Height && m.bold == Font.Bold &&
      m.italic == Font.Italic && m.family == Font.Family && m.application == application)
    return m;
  m = {true,        text,          Font.Height, Font.Bold, Font.Italic, Font.Family,
       application, CurrentFont(), 0,           0,         0,           {}};
  const QFontMetrics metrics(m.font);
  m.advance = metrics.horizontalAdvance(text);
  m.lineHeight = metrics.height();
  m.ascent = metrics.ascent();
  m.ink = metrics.boundingRect(text);
  return m;
}

int32_t TDirectDrawSurfaceCanvas::TextWidth(const QString& text) {
  if (!surface_.Deferred()) DeviceContext();
  if (!surface_.HasInterface()) throw EDirectDrawSurfaceError(NotMade("IDirectDrawSurface"));
  return MetricsOf(text).advance;
}

TTextOp TDirectDrawSurfaceCanvas::MakeTextOp(int32_t x, int32_t y, const QString& text) {
  return {x,         y, text, MetricsOf(text).font, Font.Color, BrushStyle == TBrushStyle::bsSolid,
          BrushColor};
}

void TDirectDrawSurfaceCanvas::PaintText(QPainter& dc, const TTextOp& t) {
  const QFontMetrics metrics(t.font);
  if (t.opaque) {
    dc.fillRect(t.x, t.y, metrics.horizontalAdvance(t.text), metrics.height(), ToQColor(t.brush));
  }
  dc.setFont(t.font);
  dc.setPen(ToQColor(t.colour));
  dc.drawText(t.x, t.y + metrics.ascent(), t.text);
}

void TDirectDrawSurfaceCanvas::TextOut(int32_t x, int32_t y, const QString& text) {
  if (surface_.Deferred()) {
    if (!surface_.HasInterface()) throw EDirectDrawSurfaceError(NotMade("IDirectDrawSurface"));
    const TRect bounds = TextRect(x, y, text).Intersected(surface_.Bounds());
    if (!bounds.Empty()) surface_.recorder_->RecordText(bounds, MakeTextOp(x, y, text));
    return;
  }
  PaintText(DeviceContext(), MakeTextOp(x, y, text));
}

TRect TDirectDrawSurfaceCanvas::TextRect(int32_t x, int32_t y, const QString& text) {
  const TextMetrics& metrics = MetricsOf(text);
  const QRect ink = metrics.ink.translated(x, y + metrics.ascent);
  TRect cell{x, y, x + metrics.advance, y + metrics.lineHeight};
  // Italic and anti-aliased glyphs can reach a pixel beyond their box.
  TRect inked{ink.left() - 2, ink.top() - 2, ink.right() + 3, ink.bottom() + 3};
  return cell.United(inked);
}

void TDirectDrawSurfaceCanvas::Draw(int32_t x, int32_t y, const QImage& picture) {
  surface_.Materialize();
  DeviceContext().drawImage(x, y, picture);
}

void TDirectDrawSurfaceCanvas::Release() {
  if (painter_) {
    painter_->end();
    painter_.reset();
  }
}

// ---- TDirectDrawSurface -----------------------------------------------------------------------

TDirectDrawSurface::TDirectDrawSurface(const TDirectDraw& ddraw) : ddraw_(ddraw) {}

TDirectDrawSurface::~TDirectDrawSurface() {
  canvas_.reset();  // the painter must end before the pixels go
}

void TDirectDrawSurface::SetInterface(QImage pixels) {
  if (canvas_) canvas_->Release();
  image_ = std::move(pixels);
  pixels_ = reinterpret_cast<uint32_t*>(image_.bits());
  stride_ = image_.bytesPerLine() / 4;
  hasInterface_ = true;
  primary_ = false;
  width_ = image_.width();
  height_ = image_.height();
  ownClipper_ = false;
  lost_ = false;
  colorKey_ = 0;
  lastResult_ = kResultOk;
  Touch();
  if (recorder_) recorder_ = std::make_unique<TFrameRecorder>();  // nothing of the old pixels
}

void TDirectDrawSurface::MakePrimary(int32_t width, int32_t height) {
  ReleaseInterface();
  hasInterface_ = true;
  primary_ = true;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  ownClipper_ = true;  // presentation is clipped to the window
}

void TDirectDrawSurface::ReleaseInterface() {
  if (canvas_) canvas_->Release();
  image_ = QImage();
  pixels_ = nullptr;
  stride_ = 0;
  hasInterface_ = false;
  primary_ = false;
  width_ = height_ = 0;
  ownClipper_ = false;
  lost_ = false;
  lockCount_ = 0;
}

void TDirectDrawSurface::SetSize(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) {
    ReleaseInterface();
    return;
  }
  QImage pixels = ddraw_.AllocatePixels(width, height, SystemMemory);
  if (pixels.isNull() && !SystemMemory) {
    pixels = ddraw_.AllocatePixels(width, height, true);
    if (!pixels.isNull()) SystemMemory = true;
  }
  if (pixels.isNull()) throw EDirectDrawSurfaceError(CannotBeMade("Surface"));
  SetInterface(std::move(pixels));
}

void TDirectDrawSurface::AdoptPixels(QImage pixels) {
  if (pixels.isNull() || pixels.format() != QImage::Format_RGB32) {
    throw EDirectDrawSurfaceError(CannotBeMade("Surface"));
  }
  pixels.fill(kOpaque);
  SetInterface(std::move(pixels));
}

bool TDirectDrawSurface::FillDeviceColor(uint32_t value) {
  return FillRect(Bounds(), value);
}

bool TDirectDrawSurface::FillRect(const TRect& rect, uint32_t value) {
  if (!hasInterface_) return false;
  if (primary_) return true;  // the window shows whatever is presented next
  const TRect r = rect.Intersected(Bounds());
  lastResult_ = kResultOk;
  if (r.Empty()) return true;
  if (recorder_) {
    recorder_->RecordFill(r, value & kRawMask);
  } else {
    ExecuteFill(r, value);
  }
  return true;
}

void TDirectDrawSurface::Touch() {
  version_ = NextVersion();
  keyRuns_.valid = false;
  stretched_.Clear();
}

void TDirectDrawSurface::ExecuteFill(const TRect& r, uint32_t value) {
  Touch();
  DrawFill(r, value);
}

void TDirectDrawSurface::DrawFill(const TRect& r, uint32_t value) {
  // In vector stores, row after row: fills are much of what a changed area costs.
  FillRows(Row(r.Top) + r.Left, stride_, r.Width(), r.Height(), kOpaque | (value & kRawMask));
}

uint32_t TDirectDrawSurface::ReadPixel(int32_t x, int32_t y) {
  if (!hasInterface_ || primary_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  Materialize();
  if (!Lock()) return 0;
  const uint32_t value = Row(y)[x] & kRawMask;
  Unlock();
  return value;
}

void TDirectDrawSurface::WritePixel(int32_t x, int32_t y, uint32_t value) {
  if (!hasInterface_ || primary_ || x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Materialize();
  if (!Lock()) return;
  Touch();
  Row(y)[x] = kOpaque | (value & kRawMask);
  Unlock();
}

bool TDirectDrawSurface::Lock() {
  if (!hasInterface_ || lockCount_ > 0) {
    lastResult_ = kResultLocked;
    return false;
  }
  ++lockCount_;
  return true;
}

void TDirectDrawSurface::Unlock() {
  if (lockCount_ > 0) --lockCount_;
}

uint32_t TDirectDrawSurface::DeviceColorOf(ColourInt colour) {
  if (!hasInterface_ || primary_) return 0;
  const uint32_t saved = ReadPixel(0, 0);
  // A one-pixel, 8-bit picture whose only palette entry is the colour, drawn as the pictures
  // themselves are drawn: the key then matches their pixels exactly.
  QImage dot(1, 1, QImage::Format_Indexed8);
  dot.setColorTable({qRgb(RedOf(colour), GreenOf(colour), BlueOf(colour))});
  dot.fill(0);
  Canvas().Draw(0, 0, dot);
  Canvas().Release();
  const uint32_t value = ReadPixel(0, 0);
  WritePixel(0, 0, saved);
  return value;
}

void TDirectDrawSurface::SetSourceColorKey(uint32_t value) {
  if (!hasInterface_) return;
  colorKey_ = value & kRawMask;
}

void TDirectDrawSurface::BlitStretched(const TRect& destRect, const TRect& srcRect,
                                       const TDirectDrawSurface* source, bool transparent) {
  BlitStretchedClipped(destRect, srcRect, source, transparent, Bounds());
}

void TDirectDrawSurface::BlitStretchedClipped(const TRect& destRect, const TRect& srcRect,
                                              const TDirectDrawSurface* source, bool transparent,
                                              const TRect& clip) {
  if (source == nullptr || destRect.Empty() || srcRect.Empty()) return;
  if (!hasInterface_) {
    if (ownClipper_) return;
    throw EDirectDrawSurfaceError(NotMade("IDirectDrawSurface"));
  }
  if (primary_ || !source->hasInterface_ || source->primary_) {
    lastResult_ = kResultNoInterface;
    return;
  }
  if (srcRect.Intersected(source->Bounds()) != srcRect) {
    lastResult_ = kResultInvalidRect;
    return;
  }
  lastResult_ = kResultOk;
  const TRect visible = destRect.Intersected(Bounds()).Intersected(clip);
  if (visible.Empty()) return;
  if (recorder_ && executor_ != nullptr) {
    // The device draws every frame whole: the area the ink can reach is all it needs.
    recorder_->RecordBlit(visible, destRect, srcRect, *source, transparent, false);
  } else if (recorder_) {
    // Only the pixels the source's ink lands on can change: a tighter area to redraw.
    const TRect footprint = Footprint(destRect, srcRect, *source, transparent).Intersected(visible);
    if (!footprint.Empty())
      recorder_->RecordBlit(footprint, destRect, srcRect, *source, transparent);
  } else {
    ExecuteBlit(destRect, srcRect, *source, transparent, source->colorKey_, visible);
  }
}

void TDirectDrawSurface::PrepareKeyRuns(uint32_t key) const {
  RunsFor(kOpaque | key);
}

const TDirectDrawSurface::KeyRuns& TDirectDrawSurface::RunsFor(uint32_t key) const {
  if (keyRuns_.valid && keyRuns_.key == key) return keyRuns_;
  keyRuns_.valid = true;
  keyRuns_.key = key;
  keyRuns_.rowStart.assign(static_cast<size_t>(height_) + 1, 0);
  keyRuns_.runs.clear();
  for (int32_t y = 0; y < height_; ++y) {
    keyRuns_.rowStart[static_cast<size_t>(y)] = static_cast<uint32_t>(keyRuns_.runs.size());
    const uint32_t* row = Row(y);
    for (int32_t x = 0; x < width_;) {
      if (row[x] == key) {
        ++x;
        continue;
      }
      const int32_t left = x;
      while (x < width_ && row[x] != key)
        ++x;
      keyRuns_.runs.emplace_back(left, x);
    }
  }
  keyRuns_.rowStart[static_cast<size_t>(height_)] = static_cast<uint32_t>(keyRuns_.runs.size());
  TRect ink{width_, height_, 0, 0};
  for (int32_t y = 0; y < height_; ++y) {
    const uint32_t first = keyRuns_.rowStart[static_cast<size_t>(y)];
    const uint32_t end = keyRuns_.rowStart[static_cast<size_t>(y) + 1];
    if (first == end) continue;
    ink = {std::min(ink.Left, keyRuns_.runs[first].first), std::min(ink.Top, y),
           std::max(ink.Right, keyRuns_.runs[end - 1].second), std::max(ink.Bottom, y + 1)};
  }
  keyRuns_.ink = ink.Empty() ? TRect{} : ink;
  return keyRuns_;
}

namespace {

// The first offset of a `destSize`-long span whose sample lies at source offset `c` or beyond
// (the inverse of SampleOf): ceil((2c * destSize - srcSize) / (2 srcSize)), within 0..destSize.
int32_t FirstShowing(int64_t c, int64_t srcSize, int64_t destSize) {
  const int64_t n = 2 * c * destSize - srcSize, d = 2 * srcSize;
  int64_t q = n / d;
  if (n % d != 0 && n > 0) ++q;
  return static_cast<int32_t>(std::clamp<int64_t>(q, 0, destSize));
}

}  // namespace

TRect TDirectDrawSurface::Footprint(const TRect& destRect, const TRect& srcRect,
                                    const TDirectDrawSurface& source, bool transparent) const {
  if (!transparent) return destRect;
  if (TStretchCache::Keeps(destRect.Width(), destRect.Height())) {
    // The picture as it will be drawn, kept for the commit.
    const TStretchedPicture& picture =
        source.stretched_.Get(source.Row(0), source.stride_, srcRect, destRect.Width(),
                              destRect.Height(), kOpaque | source.colorKey_);
    const TRect& ink = picture.ink;
    return {destRect.Left + ink.Left, destRect.Top + ink.Top, destRect.Left + ink.Right,
            destRect.Top + ink.Bottom};
  }
  return InkFootprint(destRect, srcRect, source);
}

TRect TDirectDrawSurface::InkFootprint(const TRect& destRect, const TRect& srcRect,
                                       const TDirectDrawSurface& source) {
  const TRect ink = source.RunsFor(kOpaque | source.colorKey_).ink.Intersected(srcRect);
  if (ink.Empty()) return {};
  const int64_t sw = srcRect.Width(), sh = srcRect.Height();
  const int64_t dw = destRect.Width(), dh = destRect.Height();
  return {destRect.Left + FirstShowing(ink.Left - srcRect.Left, sw, dw),
          destRect.Top + FirstShowing(ink.Top - srcRect.Top, sh, dh),
          destRect.Left + FirstShowing(ink.Right - srcRect.Left, sw, dw),
          destRect.Top + FirstShowing(ink.Bottom - srcRect.Top, sh, dh)};
}

void TDirectDrawSurface::ExecuteBlit(const TRect& destRect, const TRect& srcRect,
                                     const TDirectDrawSurface& source, bool transparent,
                                     uint32_t colorKey, const TRect& clip) {
  Touch();
  DrawBlit(destRect, srcRect, source, transparent, colorKey, clip, false);
}

void TDirectDrawSurface::DrawBlit(const TRect& destRect, const TRect& srcRect,
                                  const TDirectDrawSurface& source, bool transparent,
                                  uint32_t colorKey, const TRect& clip, bool prepared) {
  const TRect visible = destRect.Intersected(clip);
  if (visible.Empty()) return;
  const uint32_t key = kOpaque | colorKey;
  if (TStretchCache::Keeps(destRect.Width(), destRect.Height())) {
    const uint32_t pictureKey = transparent ? key : ~0u;
    const TStretchedPicture* picture =
        prepared ? source.stretched_.Find(srcRect, destRect.Width(), destRect.Height(), pictureKey)
                 : &source.stretched_.Get(source.Row(0), source.stride_, srcRect, destRect.Width(),
                                          destRect.Height(), pictureKey);
    if (picture != nullptr) return BlitCached(destRect, visible, *picture, transparent);
  }
  BlitStretchedDirect(destRect, srcRect, source, transparent, key, visible);
}

void TDirectDrawSurface::BlitCached(const TRect& destRect, const TRect& visible,
                                    const TStretchedPicture& picture, bool transparent) {
  const int32_t firstRow = visible.Top - destRect.Top;
  const int32_t left = visible.Left - destRect.Left, right = visible.Right - destRect.Left;
  if (!transparent) {
    for (int32_t row = firstRow; row < visible.Bottom - destRect.Top; ++row) {
      std::memcpy(Row(destRect.Top + row) + destRect.Left + left, picture.Row(row) + left,
                  static_cast<size_t>(right - left) * sizeof(uint32_t));
    }
    return;
  }
  // The ink's runs are copied and the rest is never looked at: no comparisons, and the
  // destination is only written, never read.
  for (int32_t row = firstRow; row < visible.Bottom - destRect.Top; ++row) {
    uint32_t* dest = Row(destRect.Top + row) + destRect.Left;
    const uint32_t* source = picture.Row(row);
    const uint32_t end = picture.runStart[static_cast<size_t>(row) + 1];
    for (uint32_t r = picture.runStart[static_cast<size_t>(row)]; r < end; ++r) {
      const int32_t from = std::max<int32_t>(picture.runs[r].first, left);
      const int32_t to = std::min<int32_t>(picture.runs[r].second, right);
      if (from < to) CopyPixels(dest + from, source + from, to - from);
    }
  }
}

void TDirectDrawSurface::BlitStretchedDirect(const TRect& destRect, const TRect& srcRect,
                                             const TDirectDrawSurface& source, bool transparent,
                                             uint32_t key, const TRect& visible) {
  const int64_t destW = destRect.Width(), destH = destRect.Height();
  const int64_t srcW = srcRect.Width(), srcH = srcRect.Height();
  const int32_t spanWidth = visible.Width();
  // Work space of each thread, reused by every large blit: no allocation per frame.
  thread_local std::vector<int32_t> columnMap, firstColumn;
  if (columnMap.size() < static_cast<size_t>(spanWidth)) columnMap.resize(spanWidth);
  TSampler columns(visible.Left - destRect.Left, srcW, destW);
  for (int32_t i = 0; i < spanWidth; ++i, columns.Next())
    columnMap[i] = srcRect.Left + columns.Sample();

  const int32_t* map = columnMap.data();
  // An enlarging blit samples a source row for several destination rows in a row: the first of
  // them is sampled, the others copy what it got.
  int32_t lastSy = -1;
  const uint32_t* lastRow = nullptr;

  if (!transparent) {
    const size_t rowBytes = static_cast<size_t>(spanWidth) * sizeof(uint32_t);
    TSampler rows(visible.Top - destRect.Top, srcH, destH);
    for (int32_t y = visible.Top; y < visible.Bottom; ++y, rows.Next()) {
      const int32_t sy = srcRect.Top + rows.Sample();
      uint32_t* destRow = Row(y) + visible.Left;
      if (sy == lastSy) {
        std::memcpy(destRow, lastRow, rowBytes);
        continue;
      }
      const uint32_t* srcRow = source.Row(sy);
      for (int32_t i = 0; i < spanWidth; ++i)
        destRow[i] = srcRow[map[i]];
      lastSy = sy;
      lastRow = destRow;
    }
    return;
  }

  // firstColumn[c] is the first destination offset that shows source column c or one to its
  // right: the ink run [left, right) of a source row lands on [first[left], first[right]).
  const int32_t srcLeft = map[0], srcRight = map[spanWidth - 1] + 1;
  firstColumn.assign(static_cast<size_t>(srcRight - srcLeft) + 1, -1);
  for (int32_t i = spanWidth - 1; i >= 0; --i)
    firstColumn[map[i] - srcLeft] = i;
  firstColumn[srcRight - srcLeft] = spanWidth;
  for (int32_t c = srcRight - srcLeft - 1; c >= 0; --c) {  // columns a shrinking blit skips
    if (firstColumn[c] < 0) firstColumn[c] = firstColumn[c + 1];
  }
  const int32_t* first = firstColumn.data();
  const KeyRuns& runs = source.RunsFor(key);
  TSampler rows(visible.Top - destRect.Top, srcH, destH);
  for (int32_t y = visible.Top; y < visible.Bottom; ++y, rows.Next()) {
    const int32_t sy = srcRect.Top + rows.Sample();
    const uint32_t* srcRow = source.Row(sy);
    uint32_t* destRow = Row(y) + visible.Left;
    const bool repeat = sy == lastSy;
    const uint32_t end = runs.rowStart[static_cast<size_t>(sy) + 1];
    for (uint32_t r = runs.rowStart[static_cast<size_t>(sy)]; r < end; ++r) {
      const int32_t left = std::max(runs.runs[r].first, srcLeft);
      const int32_t right = std::min(runs.runs[r].second, srcRight);
      if (left >= right) continue;
      const int32_t from = first[left - srcLeft], to = first[right - srcLeft];
      if (repeat) {  // the same ink at the same places as the row above
        CopyPixels(destRow + from, lastRow + from, to - from);
        continue;
      }
      for (int32_t i = from; i < to; ++i)
        destRow[i] = srcRow[map[i]];
    }
    lastSy = sy;
    lastRow = destRow;
  }
}

void TDirectDrawSurface::ExecuteText(const TTextOp& text, const TRect& clip) {
  Touch();
  QPainter painter(&image_);
  painter.setClipRect(QRect(clip.Left, clip.Top, clip.Width(), clip.Height()));
  TDirectDrawSurfaceCanvas::PaintText(painter, text);
}

void TDirectDrawSurface::SetDeferred(bool deferred) {
  if (deferred == Deferred()) return;
  if (deferred) {
    recorder_ = std::make_unique<TFrameRecorder>();
  } else {
    Materialize();
    recorder_.reset();
  }
}

TPresentParts TDirectDrawSurface::CommitFrame() {
  if (!recorder_) {
    whole_ = QRect(0, 0, width_, height_);
    return {&whole_, 1};
  }
  if (canvas_) canvas_->Release();
  if (executor_ != nullptr) {
    if (recorder_->HandTo(*executor_, Bounds())) {
      whole_ = QRect(0, 0, width_, height_);
      return {&whole_, 1};
    }
    executor_ = nullptr;
    executorFailed_ = true;
  }
  return recorder_->Commit(*this);
}

void TDirectDrawSurface::ForgetFrameHistory() {
  if (recorder_) recorder_->ForgetHistory();
}

void TDirectDrawSurface::Materialize() {
  if (!recorder_ || !recorder_->HasPending()) return;
  recorder_->Commit(*this);
  recorder_->ForgetHistory();  // what changed was never presented: the next frame shows all
}

void TDirectDrawSurface::LoadFromGraphic(const QImage& picture, const TRect& srcRect) {
  SetSize(srcRect.Width(), srcRect.Height());
  TDirectDrawSurfaceCanvas& canvas = Canvas();
  canvas.Draw(-srcRect.Left, -srcRect.Top, picture);
  canvas.Release();
}

TDirectDrawSurfaceCanvas& TDirectDrawSurface::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TDirectDrawSurfaceCanvas>(*this);
  return *canvas_;
}

bool TDirectDrawSurface::Restore() {
  if (!hasInterface_ || restoreFails_) return false;
  lost_ = false;
  return true;
}

}  // namespace tess
