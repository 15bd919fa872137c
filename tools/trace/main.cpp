// tessarine-trace: runs a scene headless and prints every sprite it draws.
//
//   tessarine-trace --width W --height H --seed S --frames N [--ini FILE]
//
// The settings are the defaults, read over by FILE through the program's own reader and clamps
// for a W x H screen (the user's settings file is never touched). The shared generator is seeded
// with the 32-bit state S, the scene that General.VarNum selects is initialised and stepped N
// times, and each DrawSim call prints one line "F X Y Size Index List" (F counted from 1).
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "core/random.h"
#include "saver/scenes.h"
#include "settings/filestore.h"
#include "settings/ini.h"
#include "settings/settings.h"
#include "tools/common/cli.h"

namespace {

constexpr const char* kUsage =
    "usage: tessarine-trace --width W --height H --seed S --frames N [--ini FILE]\n"
    "  W, H: screen size in pixels (1 to 65535); S: generator state (0 to 4294967295);\n"
    "  N: frames to run (0 or more); FILE: a settings file read as the program reads it\n";

int Usage(const char* problem) {
  std::fprintf(stderr, "tessarine-trace: %s\n%s", problem, kUsage);
  return 2;
}

// Prints sprites through one large buffer: a long trace is millions of lines.
class PrintingSink : public tess::IGlyphSink {
 public:
  PrintingSink() { buffer_.reserve(kFlushAt + 128); }
  ~PrintingSink() override { Flush(); }

  int64_t frame = 0;

  void DrawSim(uint16_t X, uint16_t Y, uint16_t Size, uint16_t Index, uint16_t List) override {
    char line[96];
    char* p = line;
    for (int64_t v :
         {frame, int64_t{X}, int64_t{Y}, int64_t{Size}, int64_t{Index}, int64_t{List}}) {
      if (p != line) *p++ = ' ';
      p = std::to_chars(p, line + sizeof line, v).ptr;
    }
    *p++ = '\n';
    buffer_.append(line, p);
    if (buffer_.size() >= kFlushAt) Flush();
  }

  void Flush() {
    std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
    buffer_.clear();
  }

 private:
  static constexpr size_t kFlushAt = 1 << 16;
  std::string buffer_;
};

}  // namespace

int main(int argc, char** argv) {
  std::optional<int> width, height;
  std::optional<uint32_t> seed;
  std::optional<int64_t> frames;
  const char* ini = nullptr;
  for (int i = 1; i < argc; i += 2) {
    const std::string_view flag = argv[i];
    if (i + 1 >= argc) return Usage("every option needs a value");
    const std::string_view value = argv[i + 1];
    if (flag == "--width") {
      width = tess::cli::Number<int>(value, 1, 65535);
      if (!width) return Usage("bad --width");
    } else if (flag == "--height") {
      height = tess::cli::Number<int>(value, 1, 65535);
      if (!height) return Usage("bad --height");
    } else if (flag == "--seed") {
      seed = tess::cli::Number<uint32_t>(value, 0, UINT32_MAX);
      if (!seed) return Usage("bad --seed");
    } else if (flag == "--frames") {
      frames = tess::cli::Number<int64_t>(value, 0, INT64_MAX);
      if (!frames) return Usage("bad --frames");
    } else if (flag == "--ini") {
      ini = argv[i + 1];
    } else {
      return Usage("unknown option");
    }
  }
  if (!width || !height || !seed || !frames) return Usage("missing option");

  const tess::ScreenSize screen{*width, *height};
  tess::SetDefaults(tess::Settings);
  if (ini != nullptr && !tess::cli::LoadSettingsFile(ini, tess::Settings, screen)) {
    return Usage("cannot read the --ini file");
  }

  tess::RandomGenerator rng(*seed);
  PrintingSink sink;
  tess::TScenes scenes(tess::Settings, rng, sink, screen);
  scenes.Initialize();
  for (sink.frame = 1; sink.frame <= *frames; ++sink.frame)
    scenes.Step();
  return 0;
}
