// tessarine-glyphgen: writes the saver's 750 glyph pictures, or a contact sheet of them.
//
//   tessarine-glyphgen --out DIR
//   tessarine-glyphgen --contact-sheet FILE.png --from DIR [--tint red|green|blue]
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/glyphgen/contactsheet.h"
#include "tools/glyphgen/glyphrender.h"
#include "tools/glyphgen/shapes.h"

namespace tess::glyphgen {
namespace {

// The brightest green of a picture, averaged over a set: sets 1, 2 and 3.
constexpr float kSetBrightness[] = {200.0f, 170.0f, 140.0f};
// Lists 1 and 2 carry these symbol groups, as their symbols 1 to 10.
constexpr int kTurnedGroups[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 15};
constexpr int kSmallSize = 20;
constexpr int kLargeSize = 30;
constexpr int kFrames = 10;

QString FileName(int group, int set, int frame) {
  return QString::asprintf("s%02d_%d_%02d.bmp", group, set, frame);
}

bool Save(const QImage& picture, const QDir& dir, const QString& name, const char* suffix) {
  QImage copy = picture;
  copy.setDotsPerMeterX(3780);  // 96 dots per inch, fixed so that the files never change
  copy.setDotsPerMeterY(3780);
  const QString path = dir.filePath(suffix ? QString(suffix) + "/" + name : name);
  if (!copy.save(path, "BMP")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

int WritePictures(const QString& out) {
  QDir dir(out);
  if (!dir.mkpath(".") || !dir.mkpath("bright")) {
    std::fprintf(stderr, "cannot create %s\n", qPrintable(out));
    return 1;
  }
  const auto& shapes = Shapes();
  for (int set = 1; set <= 3; ++set) {
    const Turn turn = static_cast<Turn>(set);
    std::vector<View> views;
    float brightest = 0;
    for (int group : kTurnedGroups) {
      for (int frame = 1; frame <= kFrames; ++frame) {
        views.push_back(RenderView(shapes[group - 1], turn, frame, kSmallSize));
        brightest += BrightestLevel(views.back());
      }
    }
    // Scale the set so that its pictures' brightest greens average the set's level.
    const float peak = kSetBrightness[set - 1] / (brightest / static_cast<float>(views.size()));
    size_t v = 0;
    for (int group : kTurnedGroups) {
      for (int frame = 1; frame <= kFrames; ++frame, ++v) {
        const QString name = FileName(group, set, frame);
        if (!Save(NormalPicture(views[v], peak), dir, name, nullptr) ||
            !Save(BrightPicture(views[v], peak), dir, name, "bright")) {
          return 1;
        }
      }
    }
  }
  for (int group = 1; group <= 15; ++group) {
    const View front = RenderView(shapes[group - 1], Turn::kNone, 1, kLargeSize);
    for (int frame = 1; frame <= kFrames; ++frame) {
      if (!Save(RampPicture(front, frame), dir, FileName(group, 4, frame), nullptr)) return 1;
    }
  }
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: tessarine-glyphgen --out DIR\n"
               "       tessarine-glyphgen --contact-sheet FILE.png --from DIR "
               "[--tint red|green|blue]\n");
  return 2;
}

}  // namespace
}  // namespace tess::glyphgen

int main(int argc, char** argv) {
  using namespace tess::glyphgen;
  if (argc == 3 && std::strcmp(argv[1], "--out") == 0) {
    QCoreApplication app(argc, argv);
    return WritePictures(QString::fromLocal8Bit(argv[2]));
  }
  if ((argc == 5 || argc == 7) && std::strcmp(argv[1], "--contact-sheet") == 0 &&
      std::strcmp(argv[3], "--from") == 0) {
    std::string tint = "green";
    if (argc == 7) {
      if (std::strcmp(argv[5], "--tint") != 0) return Usage();
      tint = argv[6];
      if (tint != "red" && tint != "green" && tint != "blue") return Usage();
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return WriteContactSheet(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[4]),
                             tint);
  }
  return Usage();
}
