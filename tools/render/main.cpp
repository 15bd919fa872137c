// tessarine-render: renders frames of the saver to PNG files without a display, through the same
// rendering layer and frame routine as the saver itself.
//
//   tessarine-render --width W --height H --seed S --frame N --out FILE.png
//                    [--ini FILE] [--variation 1|2|3] [--colour red|green|blue]
//                    [--count K] [--renderer gl|software]
//
// Frame N (counted from 1) is written to FILE; with --count K the frames N to N + K - 1 are
// written, FILE then holding a printf pattern such as frame-%03d.png. The settings are the
// defaults, read over by --ini as the program reads its own file, then --variation and --colour.
// --renderer gl composes the frames on the graphics device (headless EGL), the same pixels as the
// processor's composition (software, the default); without a device it says so and fails.
#include <QGuiApplication>
#include <QImage>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/random.h"
#include "core/screen.h"
#include "render/gl/glimagepresenter.h"
#include "render/imagepresenter.h"
#include "saver/saverengine.h"
#include "settings/filestore.h"
#include "settings/ini.h"
#include "settings/settings.h"
#include "tools/common/cli.h"

namespace {

constexpr const char* kUsage =
    "usage: tessarine-render --width W --height H --seed S --frame N --out FILE.png\n"
    "                        [--ini FILE] [--variation 1|2|3] [--colour red|green|blue]\n"
    "                        [--count K] [--renderer gl|software]\n";

int Usage(const char* problem) {
  std::fprintf(stderr, "tessarine-render: %s\n%s", problem, kUsage);
  return 2;
}

struct Options {
  int width = 0, height = 0, frame = 0, count = 1, variation = 0, colour = 0;
  uint32_t seed = 0;
  bool seeded = false;
  bool gl = false;
  std::string out, ini;
};

std::optional<std::string> Parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; i += 2) {
    const std::string_view flag = argv[i];
    if (i + 1 >= argc) return "every option needs a value";
    const std::string_view value = argv[i + 1];
    auto number = [&](int& field, int low, int high) -> bool {
      const auto n = tess::cli::Number<int>(value, low, high);
      if (n) field = *n;
      return n.has_value();
    };
    bool ok = true;
    if (flag == "--width") {
      ok = number(o.width, 1, 16384);
    } else if (flag == "--height") {
      ok = number(o.height, 1, 16384);
    } else if (flag == "--frame") {
      ok = number(o.frame, 1, 100000000);
    } else if (flag == "--count") {
      ok = number(o.count, 1, 100000);
    } else if (flag == "--variation") {
      ok = number(o.variation, 1, 3);
    } else if (flag == "--seed") {
      const auto seed = tess::cli::Number<uint32_t>(value, 0, UINT32_MAX);
      ok = seed.has_value();
      o.seed = seed.value_or(0);
      o.seeded = ok;
    } else if (flag == "--colour") {
      o.colour = value == "red" ? 1 : value == "green" ? 2 : value == "blue" ? 3 : 0;
      ok = o.colour != 0;
    } else if (flag == "--renderer") {
      ok = value == "gl" || value == "software";
      o.gl = value == "gl";
    } else if (flag == "--out") {
      o.out = value;
    } else if (flag == "--ini") {
      o.ini = value;
    } else {
      return "unknown option " + std::string(flag);
    }
    if (!ok) return "bad value for " + std::string(flag);
  }
  if (o.width == 0 || o.height == 0 || o.frame == 0 || !o.seeded || o.out.empty()) {
    return "missing option";
  }
  if (o.count > 1 && o.out.find('%') == std::string::npos) {
    return "--count needs a file name pattern such as frame-%03d.png";
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (const auto problem = Parse(argc, argv, o)) return Usage(problem->c_str());

  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const tess::ScreenSize screen{o.width, o.height};
  tess::SetScreenSizeProvider([screen] { return screen; });
  tess::SetDefaults(tess::Settings);
  if (!o.ini.empty() && !tess::cli::LoadSettingsFile(o.ini, tess::Settings, screen)) {
    return Usage("cannot read the --ini file");
  }
  if (o.variation != 0) tess::Settings.General.VarNum = o.variation;
  if (o.colour != 0) tess::Settings.General.SimColor = o.colour;
  tess::SharedRandom().Seed(o.seed);

  std::unique_ptr<tess::TImagePresenter> software;
  std::unique_ptr<tess::TGlImagePresenter> device;
  if (o.gl) {
    device = std::make_unique<tess::TGlImagePresenter>(QSize(o.width, o.height));
    if (!device->OnDevice()) {
      std::fprintf(stderr, "tessarine-render: no graphics device: %s\n", device->Why().c_str());
      return 1;
    }
  } else {
    software = std::make_unique<tess::TImagePresenter>(QSize(o.width, o.height));
  }
  tess::TSaverEngine engine;
  engine.DXD1.SetPresenter(device ? static_cast<tess::IPresenter*>(device.get()) : software.get());
  engine.PrepareFrames();
  engine.DXD1.FormShown();
  const int last = o.frame + o.count - 1;
  for (int frame = 1; frame <= last; ++frame) {
    engine.DXT1Timer(engine.DXT1, 1);
    if (frame < o.frame) continue;
    const QString file = o.count > 1 ? QString::asprintf(o.out.c_str(), frame - o.frame + 1)
                                     : QString::fromStdString(o.out);
    const QImage& shown = device ? device->Screen() : software->Screen();
    if (!shown.save(file, "PNG")) {
      std::fprintf(stderr, "tessarine-render: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
