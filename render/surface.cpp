#include "render/surface.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "core/nearest.h"
#include "render/errors.h"

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

// The source coordinate that destination offset `d` of a `destSize`-long span samples: the
// source pixel under the centre of the destination pixel.
inline int32_t SampleOf(int64_t d, int64_t srcSize, int64_t destSize) {
  return static_cast<int32_t>(((2 * d + 1) * srcSize) / (2 * destSize));
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
  return font;
}

QPainter& TDirectDrawSurfaceCanvas::DeviceContext() {
  if (!surface_.HasInterface() || surface_.IsPrimary()) {
    throw EDirectDrawSurfaceError(NotMade("IDirectDrawSurface"));
  }
  if (!painter_) {
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&surface_.image_)) {
      painter_.reset();
      throw EDirectDrawSurfaceError(NotMade("IDirectDrawSurface"));
    }
  }
  return *painter_;
}

int32_t TDirectDrawSurfaceCanvas::TextWidth(const QString& text) {
  DeviceContext();
  return QFontMetrics(CurrentFont()).horizontalAdvance(text);
}

void TDirectDrawSurfaceCanvas::TextOut(int32_t x, int32_t y, const QString& text) {
  QPainter& dc = DeviceContext();
  const QFont font = CurrentFont();
  const QFontMetrics metrics(font);
  if (BrushStyle == TBrushStyle::bsSolid) {
    dc.fillRect(x, y, metrics.horizontalAdvance(text), metrics.height(), ToQColor(BrushColor));
  }
  dc.setFont(font);
  dc.setPen(ToQColor(Font.Color));
  dc.drawText(x, y + metrics.ascent(), text);
}

TRect TDirectDrawSurfaceCanvas::TextRect(int32_t x, int32_t y, const QString& text) {
  const QFontMetrics metrics(CurrentFont());
  const QRect ink = metrics.boundingRect(text).translated(x, y + metrics.ascent());
  TRect cell{x, y, x + metrics.horizontalAdvance(text), y + metrics.height()};
  // Italic and anti-aliased glyphs can reach a pixel beyond their box.
  TRect inked{ink.left() - 1, ink.top() - 1, ink.right() + 2, ink.bottom() + 2};
  return cell.United(inked);
}

void TDirectDrawSurfaceCanvas::Draw(int32_t x, int32_t y, const QImage& picture) {
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
  hasInterface_ = true;
  primary_ = false;
  width_ = image_.width();
  height_ = image_.height();
  hasStretchClipper_ = false;  // it belonged to the former interface
  ownClipper_ = false;
  lost_ = false;
  colorKey_ = 0;
  lastResult_ = kResultOk;
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
  hasInterface_ = false;
  primary_ = false;
  width_ = height_ = 0;
  hasStretchClipper_ = false;
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

bool TDirectDrawSurface::FillDeviceColor(uint32_t value) {
  return FillRect(Bounds(), value);
}

bool TDirectDrawSurface::FillRect(const TRect& rect, uint32_t value) {
  if (!hasInterface_) return false;
  if (primary_) return true;  // the window shows whatever is presented next
  const TRect r = rect.Intersected(Bounds());
  if (r.Empty()) return true;
  const uint32_t pixel = kOpaque | (value & kRawMask);
  const auto stride = static_cast<ptrdiff_t>(image_.bytesPerLine() / 4);
  uint32_t* base = reinterpret_cast<uint32_t*>(image_.bits());
  for (int32_t y = r.Top; y < r.Bottom; ++y) {
    uint32_t* row = base + y * stride;
    std::fill(row + r.Left, row + r.Right, pixel);
  }
  lastResult_ = kResultOk;
  return true;
}

uint32_t TDirectDrawSurface::ReadPixel(int32_t x, int32_t y) {
  if (!hasInterface_ || primary_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  if (!Lock()) return 0;
  const uint32_t value = image_.pixel(x, y) & kRawMask;
  Unlock();
  return value;
}

void TDirectDrawSurface::WritePixel(int32_t x, int32_t y, uint32_t value) {
  if (!hasInterface_ || primary_ || x < 0 || y < 0 || x >= width_ || y >= height_) return;
  if (!Lock()) return;
  reinterpret_cast<uint32_t*>(image_.scanLine(y))[x] = kOpaque | (value & kRawMask);
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
  if (!ownClipper_) hasStretchClipper_ = true;  // clipped to the surface, made once and kept
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

  const int64_t destW = destRect.Width(), destH = destRect.Height();
  const int64_t srcW = srcRect.Width(), srcH = srcRect.Height();
  const int32_t spanWidth = visible.Width();
  if (columnMap_.size() < static_cast<size_t>(spanWidth)) columnMap_.resize(spanWidth);
  for (int32_t i = 0; i < spanWidth; ++i) {
    columnMap_[i] = srcRect.Left + SampleOf(visible.Left + i - destRect.Left, srcW, destW);
  }

  const auto destStride = static_cast<ptrdiff_t>(image_.bytesPerLine() / 4);
  const auto srcStride = static_cast<ptrdiff_t>(source->image_.bytesPerLine() / 4);
  uint32_t* destBase = reinterpret_cast<uint32_t*>(image_.bits());
  const uint32_t* srcBase = reinterpret_cast<const uint32_t*>(source->image_.constBits());
  const int32_t* map = columnMap_.data();
  const uint32_t key = kOpaque | source->colorKey_;

  for (int32_t y = visible.Top; y < visible.Bottom; ++y) {
    const int32_t sy = srcRect.Top + SampleOf(y - destRect.Top, srcH, destH);
    const uint32_t* srcRow = srcBase + sy * srcStride;
    uint32_t* destRow = destBase + y * destStride + visible.Left;
    if (transparent) {
      for (int32_t i = 0; i < spanWidth; ++i) {
        const uint32_t p = srcRow[map[i]];
        if (p != key) destRow[i] = p;
      }
    } else {
      for (int32_t i = 0; i < spanWidth; ++i)
        destRow[i] = srcRow[map[i]];
    }
  }
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
