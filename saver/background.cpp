#include "saver/background.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QImageReader>
#include <QtEndian>
#include <array>
#include <mutex>

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

constexpr quint32 kRunLength8 = 1;
constexpr quint32 kRunLength4 = 2;

bool Fail(std::string* problem, const char* why) {
  if (problem != nullptr) *problem = why;
  return false;
}

QImage Refused(std::string* problem, const char* why) {
  Fail(problem, why);
  return {};
}

// Whether the file holds all the pixel rows its header promises. The decoder would fill the rows
// of a truncated file with whatever memory held, so such a file is no background. `runLength`
// tells whether its rows are run-length coded.
bool BitmapIsComplete(QIODevice& file, bool& runLength, std::string* problem) {
  Head head;
  head.size = static_cast<int>(file.peek(head.bytes.data(), kHeadBytes));
  if (head.size < kFileHeaderBytes + kCoreHeaderBytes || head.bytes[0] != 'B' ||
      head.bytes[1] != 'M') {
    return Fail(problem, "is not a Windows bitmap");
  }
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
  // Sizes beyond any picture we accept cannot be complete (and would overflow below).
  if (width <= 0 || height <= 0 || width > kMaxBackgroundPixels || height > kMaxBackgroundPixels ||
      bitsPerPixel <= 0) {
    return Fail(problem, "has no usable size");
  }
  if (width * height > kMaxBackgroundPixels) return Fail(problem, "is larger than 64 megapixels");
  runLength = compression == kRunLength8 || compression == kRunLength4;
  if (runLength) {
    // Run-length data ends with its own marker, but no file paints more than its runs can.
    const qint64 dataBytes = file.size() - pixelOffset;
    if (dataBytes <= 0 || width * height > dataBytes * kMaxPixelsPerRunLengthByte) {
      return Fail(problem, "declares more pixels than its data can hold");
    }
    return true;
  }
  if (compression != kUncompressed && compression != kBitFields) {
    return Fail(problem, "is compressed in a way bitmaps of ours never are");
  }
  const qint64 rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
  if (file.size() < pixelOffset + rowBytes * height) return Fail(problem, "is truncated");
  return true;
}

// The picture's colours as 0xffRRGGBB, whatever its alpha channel says: a background is opaque,
// and a pixel that an alpha mask marks as clear still has the colour the file gives it.
QImage OpaqueColours(const QImage& picture) {
  if (!picture.hasAlphaChannel()) return picture.convertToFormat(QImage::Format_RGB32);
  QImage colours = picture.convertToFormat(QImage::Format_ARGB32);  // not premultiplied
  for (int y = 0; y < colours.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(colours.scanLine(y));
    for (int x = 0; x < colours.width(); ++x)
      row[x] |= 0xFF000000u;
  }
  colours.reinterpretAsFormat(QImage::Format_RGB32);
  return colours;
}

// Decodes a run-length bitmap whose data may end before every pixel is set: twice, into pictures
// filled beforehand with two different colour indices, so that a pixel that differs between the
// two was set by neither, and takes `unset`.
QImage DecodeRunLength(QIODevice& file, qint64 start, QSize size, QRgb unset) {
  QImage first(size, QImage::Format_Indexed8), second(size, QImage::Format_Indexed8);
  first.fill(0);
  second.fill(1);
  file.seek(start);
  QImageReader reader(&file, "bmp");
  if (!reader.read(&first)) return {};
  file.seek(start);
  QImageReader again(&file, "bmp");
  if (!again.read(&second) || first.format() != QImage::Format_Indexed8 ||
      second.format() != QImage::Format_Indexed8 || first.size() != size) {
    return {};
  }
  QImage picture = OpaqueColours(first);
  for (int y = 0; y < size.height(); ++y) {
    const uchar* a = first.constScanLine(y);
    const uchar* b = second.constScanLine(y);
    auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < size.width(); ++x) {
      if (a[x] != b[x]) row[x] = unset | 0xFF000000u;
    }
  }
  return picture;
}

}  // namespace

QImage LoadBackgroundBitmap(const std::string& path, QRgb unset, std::string* problem) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return Refused(problem, "cannot be opened");
  struct stat st {};
  // Only a regular file is read; reading one never blocks, so the decoder may read it plainly.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return Refused(problem, "is not a regular file");
  }
  // One saver per monitor asks for the same picture: it is decoded once, and the pictures share
  // their pixels. The file's identity and time of change tell whether it is still the same.
  static std::mutex cacheMutex;
  static struct {
    std::string key;
    QImage picture;
  } cache;
  const std::string key = path + '\0' + std::to_string(st.st_dev) + ':' +
                          std::to_string(st.st_ino) + ':' + std::to_string(st.st_size) + ':' +
                          std::to_string(st.st_mtim.tv_sec) + '.' +
                          std::to_string(st.st_mtim.tv_nsec) + ':' + std::to_string(unset);
  std::lock_guard lock(cacheMutex);
  if (cache.key == key) {
    ::close(fd);
    return cache.picture;
  }
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return Refused(problem, "cannot be read");
  }
  QImage picture = LoadBackgroundBitmap(file, unset, problem);
  if (!picture.isNull()) cache = {key, picture};
  return picture;
}

QImage LoadBackgroundBitmap(QIODevice& file, QRgb unset, std::string* problem) {
  bool runLength = false;
  if (!BitmapIsComplete(file, runLength, problem)) return {};
  const qint64 start = file.pos();
  QImageReader reader(&file);
  reader.setDecideFormatFromContent(true);
  // Pictures of other kinds would load but never be drawn: do not decode them at all.
  if (reader.format() != "bmp") return Refused(problem, "is not a Windows bitmap");
  // A bitmap stored top-down says so with a negative height; it is as good as any other.
  QSize size = reader.size();
  size.setHeight(qAbs(size.height()));
  if (!size.isValid() || qint64{size.width()} * size.height() > kMaxBackgroundPixels)
    return Refused(problem, "has no usable size");
  QImage picture =
      runLength ? DecodeRunLength(file, start, size, unset) : OpaqueColours(reader.read());
  if (picture.isNull() || picture.size() != size) return Refused(problem, "is damaged");
  return picture;
}

}  // namespace tess
