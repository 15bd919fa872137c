// tessarine-testpixels: quick looks at screenshots for the end-to-end tests.
//
//   tessarine-testpixels pixel FILE X Y               prints "r,g,b"
//   tessarine-testpixels ink FILE r|g|b [X Y W H]     counts pixels of mostly that colour
//   tessarine-testpixels count FILE R,G,B             counts pixels of exactly that colour
//   tessarine-testpixels inkbox FILE r|g|b|R,G,B [X Y W H]
//                                                      prints "x y w h" around those pixels
//                                                      (mostly the channel, or exactly R,G,B)
//   tessarine-testpixels blocks FILE S [X Y W H]      counts S x S blocks of more than one colour
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
               "       tessarine-testpixels count FILE R,G,B\n"
               "       tessarine-testpixels inkbox FILE r|g|b|R,G,B [X Y W H]\n"
               "       tessarine-testpixels blocks FILE S [X Y W H]\n");
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

// The area given by the four arguments from `first` on, or the whole image.
QRect AreaOf(const QImage& image, int argc, char** argv, int first) {
  if (argc < first + 4) return image.rect();
  return QRect(std::atoi(argv[first]), std::atoi(argv[first + 1]), std::atoi(argv[first + 2]),
               std::atoi(argv[first + 3]))
      .intersected(image.rect());
}

int InkBox(const QImage& image, const char* colour, const QRect& area) {
  int r = 0, g = 0, b = 0;
  const bool exact = std::sscanf(colour, "%d,%d,%d", &r, &g, &b) == 3;
  QRect box;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (exact ? (p | 0xFF000000u) == qRgb(r, g, b) : Mostly(p, colour[0]))
        box |= QRect(x, y, 1, 1);
    }
  }
  std::printf("%d %d %d %d\n", box.x(), box.y(), box.width(), box.height());
  return 0;
}

// Blocks whose pixels are not all alike: 0 for a picture enlarged S times, pixel by pixel.
int Blocks(const QImage& image, int side, const QRect& area) {
  long mixed = 0, total = 0;
  for (int y = area.top(); y + side - 1 <= area.bottom(); y += side) {
    for (int x = area.left(); x + side - 1 <= area.right(); x += side) {
      ++total;
      const QRgb first = image.pixel(x, y);
      bool alike = true;
      for (int dy = 0; dy < side && alike; ++dy) {
        for (int dx = 0; dx < side && alike; ++dx)
          alike = image.pixel(x + dx, y + dy) == first;
      }
      mixed += !alike;
    }
  }
  std::printf("%ld of %ld\n", mixed, total);
  return 0;
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
  if (std::strcmp(argv[1], "inkbox") == 0 && (argc == 4 || argc == 8)) {
    return InkBox(image, argv[3], AreaOf(image, argc, argv, 4));
  }
  if (std::strcmp(argv[1], "blocks") == 0 && (argc == 4 || argc == 8) && std::atoi(argv[3]) > 0) {
    return Blocks(image, std::atoi(argv[3]), AreaOf(image, argc, argv, 4));
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
