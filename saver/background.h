#pragma once
// Loading the background picture: only a Windows bitmap counts, and a file that is missing,
// damaged, of another kind or unreasonably large is simply not a background.
#include <QImage>
#include <string>

namespace tess {

// Above this many pixels a picture is refused rather than decoded (64 megapixels: 256 MB).
inline constexpr qint64 kMaxBackgroundPixels = 64LL * 1024 * 1024;

// The decoded bitmap at `path`, or a null image when the file is not a usable bitmap. The path is
// taken as the bytes the file system names the file by, whatever their encoding. The file is
// opened without blocking and read only when it is a regular file: a FIFO or a device put in its
// place (even after the settings were read) is no picture and never stalls the saver.
QImage LoadBackgroundBitmap(const std::string& path);
QImage LoadBackgroundBitmap(class QIODevice& file);

}  // namespace tess
