// tessarine-testpixels: quick looks at screenshots for the end-to-end tests.
//
//   tessarine-testpixels pixel FILE X Y               prints "r,g,b"
//   tessarine-testpixels ink FILE r|g|b [X Y W H]     counts pixels of mostly that colour
//   tessarine-testpixels count FILE R,G,B             counts pixels of exactly that colour
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: tessarine-testpixels pixel FILE X Y\n"
               "       tessarine-testpixels ink FILE r|g|b [X Y W H]\n"
               "       tessarine-testpixels count FILE R,G,B\n");
  return 2;
}

// A pixel is "mostly" a channel when that channel exceeds both others by more than 20.
bool Mostly(QRgb p, char channel) {
  const int r = qRed(p), g = qGreen(p), b = qBlue(p);
  constexpr int kMargin = 20;
  switch (channel) {
    case 'r':
      return r > g + kMargin && r > b + kMargin;
    case 'g':
      return g > r + kMargin && g > b + kMargin;
    default:
      return b > r + kMargin && b > g + kMargin;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const QImage image(QString::fromLocal8Bit(argv[2]));
  if (image.isNull()) {
    std::fprintf(stderr, "cannot read %s\n", argv[2]);
    return 1;
  }
  if (std::strcmp(argv[1], "pixel") == 0 && argc == 5) {
    const QRgb p = image.pixel(std::atoi(argv[3]), std::atoi(argv[4]));
    std::printf("%d,%d,%d\n", qRed(p), qGreen(p), qBlue(p));
    return 0;
  }
  if (std::strcmp(argv[1], "ink") == 0 && (argc == 4 || argc == 8)) {
    QRect area = image.rect();
    if (argc == 8) {
      area = QRect(std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]), std::atoi(argv[7]))
                 .intersected(image.rect());
    }
    long count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x)
        count += Mostly(image.pixel(x, y), argv[3][0]);
    }
    std::printf("%ld\n", count);
    return 0;
  }
  int r, g, b;
  if (std::strcmp(argv[1], "count") == 0 && argc == 4 &&
      std::sscanf(argv[3], "%d,%d,%d", &r, &g, &b) == 3) {
    const QRgb wanted = qRgb(r, g, b);
    long count = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x)
        count += (image.pixel(x, y) | 0xFF000000u) == wanted;
    }
    std::printf("%ld\n", count);
    return 0;
  }
  return Usage();
}
