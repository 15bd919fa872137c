#include "saver/background.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>

namespace tess {

namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kCoreHeaderBytes = 12;  // the old OS/2 header with 16-bit sizes
constexpr quint32 kUncompressed = 0;
constexpr quint32 kBitFields = 3;

template <typename T>
T Little(const QByteArray& bytes, int at) {
  return qFromLittleEndian<T>(bytes.constData() + at);
}

// Whether the file holds all the pixel rows its header promises. The decoder would fill the rows
// of a truncated file with whatever memory held, so such a file is no background.
bool BitmapIsComplete(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray head = file.read(kFileHeaderBytes + 40);
  if (head.size() < kFileHeaderBytes + kCoreHeaderBytes) return false;
  const qint64 pixelOffset = Little<quint32>(head, 10);
  const quint32 infoSize = Little<quint32>(head, kFileHeaderBytes);
  qint64 width = 0, height = 0, bitsPerPixel = 0;
  quint32 compression = kUncompressed;
  if (infoSize == kCoreHeaderBytes) {
    width = Little<quint16>(head, 18);
    height = Little<quint16>(head, 20);
    bitsPerPixel = Little<quint16>(head, 24);
  } else {
    if (head.size() < kFileHeaderBytes + 20) return false;
    width = Little<qint32>(head, 18);
    height = qAbs(qint64{Little<qint32>(head, 22)});
    bitsPerPixel = Little<quint16>(head, 28);
    compression = Little<quint32>(head, 30);
  }
  if (compression != kUncompressed && compression != kBitFields) {
    return file.size() > pixelOffset;  // run-length data ends with its own marker
  }
  const qint64 rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
  return file.size() >= pixelOffset + rowBytes * height;
}

}  // namespace

QImage LoadBackgroundBitmap(const QString& path) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  // Pictures of other kinds would load but never be drawn: do not decode them at all.
  if (reader.format() != "bmp") return {};
  const QSize size = reader.size();
  if (!size.isValid() || qint64{size.width()} * size.height() > kMaxBackgroundPixels) return {};
  if (!BitmapIsComplete(path)) return {};
  QImage picture = reader.read();
  if (picture.isNull() || picture.size() != size) return {};
  return picture;
}

}  // namespace tess
