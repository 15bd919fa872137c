// Fuzzing the settings reader with arbitrary file bytes: reading never crashes, every field comes
// out within its range, and what the writer makes of the result reads back to the same record.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "settings/ini.h"
#include "settings/settings.h"

namespace {

// Stops the fuzzer with the line of the broken promise.
#define Require(condition) RequireAt((condition), __LINE__)
void RequireAt(bool condition, int line) {
  if (condition) return;
  std::fprintf(stderr, "settings_fuzzer: the check on line %d failed\n", line);
  std::abort();
}

bool In(int32_t value, int32_t low, int32_t high) {
  return value >= low && value <= high;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tess;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const ScreenSize screen{1920, 1080};
  TSettings settings;
  const IniDocument file = IniDocument::Parse(bytes);
  LoadSettings(file, settings, screen);

  const auto& g = settings.General;
  Require(In(g.SimColor, 1, 3) && In(g.VarNum, 1, 3) && In(g.Laying, 0, 3));
  Require(g.BGPicPath.size() <= IniDocument::kMaxValueLength);
  const auto& v1 = settings.FirstVar;
  Require(In(v1.SimCount, 10, 100) && In(v1.Moving, 1, 3) && In(v1.MovingSpeed, 1, 10));
  Require(In(v1.ChBrightnessSpeed, 1, 10) && In(v1.MinSimSize, 10, 100) &&
          In(v1.MaxSimSize, 20, 110));
  const auto& v2 = settings.SecondVar;
  Require(In(v2.SimCount, 10, 100) && In(v2.SimSize, 1, 7) && In(v2.MovingSpeed, 1, 10) &&
          In(v2.ChBrightnessSpeed, 1, 10));
  const auto& v3 = settings.ThirdVar;
  Require(In(v3.SimSize, 1, 7) && In(v3.MovSpeed, 1, 10) && In(v3.RotSpeed, 1, 10) &&
          In(v3.Rotation, 1, 4));
  Require(v3.ChainsCount == 10 || In(v3.ChainsCount, 10, ChainsBound(screen.W, v3.SimSize)));
  Require(v3.SimCount == 15 || In(v3.SimCount, 5, ChainLengthBound(screen.H, v3.SimSize)));

  // Written and read again, the settings are the same, and writing them again changes nothing.
  // (A path with a line break cannot survive a line-based file; the picture flag depends on the
  // file system, not on the text.)
  IniDocument rewritten = file;
  StoreSettings(settings, rewritten);
  const std::string once = rewritten.Serialize();
  if (settings.General.BGPicPath.find_first_of("\r\n") != std::string::npos) return 0;
  TSettings again;
  LoadSettings(IniDocument::Parse(once), again, screen);
  again.General.BGPic = settings.General.BGPic;
  Require(again == settings);
  IniDocument twice = IniDocument::Parse(once);
  StoreSettings(again, twice);
  Require(twice.Serialize() == once);
  return 0;
}
