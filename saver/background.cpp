#include "saver/background.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QImageReader>
#include <QtEndian>
#include <array>

namespace tess {

namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kCoreHeaderBytes = 12;  // the old OS/2 header with 16-bit sizes
constexpr quint32 kUncompressed = 0;
constexpr quint32 kBitFields = 3;

constexpr int kHeadBytes = kFileHeaderBytes + 40;

// The file's headers, zero-padded to their full length.
struct Head {
  std::array<char, kHeadBytes> bytes{};
  int size = 0;
  template <typename T>
  T Little(int at) const {
    return qFromLittleEndian<T>(bytes.data() + at);
  }
};

// Whether the file holds all the pixel rows its header promises. The decoder would fill the rows
// of a truncated file with whatever memory held, so such a file is no background.
bool BitmapIsComplete(QIODevice& file) {
  Head head;
  head.size = static_cast<int>(file.peek(head.bytes.data(), kHeadBytes));
  if (head.size < kFileHeaderBytes + kCoreHeaderBytes) return false;
  const qint64 pixelOffset = head.Little<quint32>(10);
  const quint32 infoSize = head.Little<quint32>(kFileHeaderBytes);
  qint64 width = 0, height = 0, bitsPerPixel = 0;
  quint32 compression = kUncompressed;
  if (infoSize == kCoreHeaderBytes) {
    width = head.Little<quint16>(18);
    height = head.Little<quint16>(20);
    bitsPerPixel = head.Little<quint16>(24);
  } else {
    if (head.size < kFileHeaderBytes + 20) return false;
    width = head.Little<qint32>(18);
    height = qAbs(qint64{head.Little<qint32>(22)});
    bitsPerPixel = head.Little<quint16>(28);
    compression = head.Little<quint32>(30);
  }
  if (compression != kUncompressed && compression != kBitFields) {
    return file.size() > pixelOffset;  // run-length data ends with its own marker
  }
  // Sizes beyond any picture we accept cannot be complete (and would overflow below).
  if (width <= 0 || height <= 0 || width > kMaxBackgroundPixels || height > kMaxBackgroundPixels ||
      bitsPerPixel <= 0 || width * height > kMaxBackgroundPixels) {
    return false;
  }
  const qint64 rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
  return file.size() >= pixelOffset + rowBytes * height;
}

}  // namespace

QImage LoadBackgroundBitmap(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return {};
  struct stat st {};
  // Only a regular file is read; reading one never blocks, so the decoder may read it plainly.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return {};
  }
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return {};
  }
  return LoadBackgroundBitmap(file);
}

QImage LoadBackgroundBitmap(QIODevice& file) {
  if (!BitmapIsComplete(file)) return {};
  QImageReader reader(&file);
  reader.setDecideFormatFromContent(true);
  // Pictures of other kinds would load but never be drawn: do not decode them at all.
  if (reader.format() != "bmp") return {};
  // A bitmap stored top-down says so with a negative height; it is as good as any other.
  QSize size = reader.size();
  size.setHeight(qAbs(size.height()));
  if (!size.isValid() || qint64{size.width()} * size.height() > kMaxBackgroundPixels) return {};
  QImage picture = reader.read();
  if (picture.isNull() || picture.size() != size) return {};
  return picture;
}

}  // namespace tess
