#pragma once
// Loading the background picture: only a Windows bitmap counts, and a file that is missing,
// damaged, of another kind or unreasonably large is simply not a background.
#include <QImage>
#include <QString>

namespace tess {

// Above this many pixels a picture is refused rather than decoded (64 megapixels: 256 MB).
inline constexpr qint64 kMaxBackgroundPixels = 64LL * 1024 * 1024;

// The decoded bitmap, or a null image when the file is not a usable bitmap.
QImage LoadBackgroundBitmap(const QString& path);
QImage LoadBackgroundBitmap(class QIODevice& file);

}  // namespace tess
