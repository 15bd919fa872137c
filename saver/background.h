#pragma once
// Loading the background picture: only a Windows bitmap counts, and a file that is missing,
// damaged, of another kind or unreasonably large is not a background; the reason is told.
#include <QImage>
#include <string>

namespace tess {

// Above this many pixels a picture is refused rather than decoded (64 megapixels: 256 MB).
inline constexpr qint64 kMaxBackgroundPixels = 64LL * 1024 * 1024;
// A run of a run-length bitmap paints at most 255 pixels with two bytes; a file that declares
// far more pixels than its data could paint is a bomb, not a picture.
inline constexpr qint64 kMaxPixelsPerRunLengthByte = 256;

// The decoded bitmap at `path` as 0xffRRGGBB pixels (Format_RGB32), or a null image when the file
// is not a usable bitmap, with `problem` (when given) saying why. The path is taken as the bytes
// the file system names the file by, whatever their encoding. The file is opened without
// blocking and read only when it is a regular file: a FIFO or a device put in its place (even
// after the settings were read) is no picture and never stalls the saver. The colours are the
// file's own, whatever an alpha channel says; pixels a run-length bitmap leaves unset (its data
// ends early) are `unset`. The same file asked for again (one saver per monitor) is decoded once
// and shared.
QImage LoadBackgroundBitmap(const std::string& path, QRgb unset = 0xFF000000,
                            std::string* problem = nullptr);
QImage LoadBackgroundBitmap(class QIODevice& file, QRgb unset = 0xFF000000,
                            std::string* problem = nullptr);

}  // namespace tess
