// Fuzzing the background picture loader with arbitrary file bytes: no crash, no stall, and a
// picture comes back only when it is a complete bitmap of reasonable size.
#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "saver/background.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QBuffer file(&bytes);
  file.open(QIODevice::ReadOnly);
  const QImage picture = tess::LoadBackgroundBitmap(file);
  if (!picture.isNull()) {
    const qint64 pixels = qint64{picture.width()} * picture.height();
    if (pixels <= 0 || pixels > tess::kMaxBackgroundPixels) std::abort();
  }
  return 0;
}
