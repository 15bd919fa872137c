#include "settings/settings.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "core/nearest.h"
#include "settings/filestore.h"
#include "settings/ini.h"

namespace tess {

TSettings Settings;

namespace {

namespace fs = std::filesystem;

// No real settings file comes near this; a larger one is treated as unreadable.
constexpr size_t kMaxSettingsFileBytes = 64u << 20;

int32_t ReadInteger(const IniDocument& file, std::string_view section, std::string_view key,
                    int32_t fallback) {
  const auto text = file.Value(section, key);
  if (!text) return fallback;
  return ParseProfileInteger(*text).value_or(fallback);
}

bool ReadBoolean(const IniDocument& file, std::string_view section, std::string_view key,
                 bool fallback) {
  return ReadInteger(file, section, key, fallback ? 1 : 0) != 0;
}

std::string ReadString(const IniDocument& file, std::string_view section, std::string_view key,
                       const std::string& fallback) {
  return file.Value(section, key).value_or(fallback);
}

// Keeps `value` when it lies in [low, high], else the replacement.
int32_t Clamped(int32_t value, int32_t low, int32_t high, int32_t replacement) {
  return value < low || value > high ? replacement : value;
}

bool NamesExistingFile(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return fs::is_regular_file(fs::path(path), ec);
}

void LoadGeneral(const IniDocument& file, TSettings::TGeneral& g) {
  constexpr std::string_view s = "General";
  g.SimColor = Clamped(ReadInteger(file, s, "SimColor", g.SimColor), 1, 3, 2);
  g.BGColor = ReadInteger(file, s, "BGColor", g.BGColor);
  g.BGPic = ReadBoolean(file, s, "BGPic", g.BGPic);
  g.BGPicPath = ReadString(file, s, "BGPicPath", g.BGPicPath);
  if (!NamesExistingFile(g.BGPicPath)) g.BGPic = false;
  g.VarNum = Clamped(ReadInteger(file, s, "VarNum", g.VarNum), 1, 3, 1);
  g.Laying = Clamped(ReadInteger(file, s, "Laying", g.Laying), 0, 3, 0);
}

void LoadFirstVar(const IniDocument& file, TSettings::TFirstVar& v) {
  constexpr std::string_view s = "FirstVar";
  v.SimCount = Clamped(ReadInteger(file, s, "SimCount", v.SimCount), 10, 100, 55);
  v.Moving = Clamped(ReadInteger(file, s, "Moving", v.Moving), 1, 3, 1);
  v.ChBrightness = ReadBoolean(file, s, "ChBrightness", v.ChBrightness);
  v.MovingSpeed = Clamped(ReadInteger(file, s, "MovingSpeed", v.MovingSpeed), 1, 10, 10);
  v.ChBrightnessSpeed =
      Clamped(ReadInteger(file, s, "ChBrightnessSpeed", v.ChBrightnessSpeed), 1, 10, 1);
  v.MinSimSize = Clamped(ReadInteger(file, s, "MinSimSize", v.MinSimSize), 10, 100, 10);
  v.MaxSimSize = Clamped(ReadInteger(file, s, "MaxSimSize", v.MaxSimSize), 20, 110, 110);
}

void LoadSecondVar(const IniDocument& file, TSettings::TSecondVar& v) {
  constexpr std::string_view s = "SecondVar";
  v.SimCount = Clamped(ReadInteger(file, s, "SimCount", v.SimCount), 10, 100, 55);
  v.Moving = ReadBoolean(file, s, "Moving", v.Moving);
  v.SimSize = Clamped(ReadInteger(file, s, "SimSize", v.SimSize), 1, 7, 4);
  v.MovingSpeed = Clamped(ReadInteger(file, s, "MovingSpeed", v.MovingSpeed), 1, 10, 10);
  v.ChBrightnessSpeed =
      Clamped(ReadInteger(file, s, "ChBrightnessSpeed", v.ChBrightnessSpeed), 1, 10, 1);
}

// SimSize comes first: the bounds of the chain count and length depend on it. The fallbacks are
// not compared with the bounds again, so on a small screen they may exceed them.
void LoadThirdVar(const IniDocument& file, TSettings::TThirdVar& v, ScreenSize screen) {
  constexpr std::string_view s = "ThirdVar";
  v.SimSize = Clamped(ReadInteger(file, s, "SimSize", v.SimSize), 1, 7, 4);
  v.ChainsCount = Clamped(ReadInteger(file, s, "ChainsCount", v.ChainsCount), 10,
                          ChainsBound(screen.W, v.SimSize), 10);
  v.SimCount = Clamped(ReadInteger(file, s, "SimCount", v.SimCount), 5,
                       ChainLengthBound(screen.H, v.SimSize), 15);
  // Missing keys default to 7, but an out-of-range stored speed becomes 10.
  v.MovSpeed = Clamped(ReadInteger(file, s, "MovSpeed", v.MovSpeed), 1, 10, 10);
  v.RotSpeed = Clamped(ReadInteger(file, s, "RotSpeed", v.RotSpeed), 1, 10, 10);
  v.Rotation = Clamped(ReadInteger(file, s, "Rotation", v.Rotation), 1, 4, 2);
  v.RotDirection = ReadBoolean(file, s, "RotDirection", v.RotDirection);
}

std::string Text(int32_t value) {
  return std::to_string(value);
}
std::string Text(bool value) {
  return value ? "1" : "0";
}

fs::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return ".";
}

}  // namespace

ESettingsWriteError::ESettingsWriteError()
    : std::runtime_error(std::string("Unable to write to ") + kSettingsFileName) {}

void SetDefaults(TSettings& settings) {
  settings = TSettings{};
}

int32_t ChainsBound(int W, int32_t simSizeStep) {
  return nearest32(static_cast<long double>(W) / CellSize(simSizeStep));
}

int32_t ChainLengthBound(int H, int32_t simSizeStep) {
  const int64_t threeH = 3 * int64_t{H};
  return nearest32(static_cast<long double>(threeH) / 4 / CellSize(simSizeStep));
}

void LoadSettings(const IniDocument& file, TSettings& settings, ScreenSize screen) {
  LoadGeneral(file, settings.General);
  LoadFirstVar(file, settings.FirstVar);
  LoadSecondVar(file, settings.SecondVar);
  LoadThirdVar(file, settings.ThirdVar, screen);
}

void StoreSettings(const TSettings& st, IniDocument& file) {
  const auto& g = st.General;
  file.Set("General", "SimColor", Text(g.SimColor));
  file.Set("General", "BGColor", Text(g.BGColor));
  file.Set("General", "BGPic", Text(g.BGPic));
  file.Set("General", "BGPicPath", g.BGPicPath);
  file.Set("General", "VarNum", Text(g.VarNum));
  file.Set("General", "Laying", Text(g.Laying));
  const auto& v1 = st.FirstVar;
  file.Set("FirstVar", "SimCount", Text(v1.SimCount));
  file.Set("FirstVar", "Moving", Text(v1.Moving));
  file.Set("FirstVar", "ChBrightness", Text(v1.ChBrightness));
  file.Set("FirstVar", "MovingSpeed", Text(v1.MovingSpeed));
  file.Set("FirstVar", "ChBrightnessSpeed", Text(v1.ChBrightnessSpeed));
  file.Set("FirstVar", "MinSimSize", Text(v1.MinSimSize));
  file.Set("FirstVar", "MaxSimSize", Text(v1.MaxSimSize));
  const auto& v2 = st.SecondVar;
  file.Set("SecondVar", "SimCount", Text(v2.SimCount));
  file.Set("SecondVar", "Moving", Text(v2.Moving));
  file.Set("SecondVar", "SimSize", Text(v2.SimSize));
  file.Set("SecondVar", "MovingSpeed", Text(v2.MovingSpeed));
  file.Set("SecondVar", "ChBrightnessSpeed", Text(v2.ChBrightnessSpeed));
  const auto& v3 = st.ThirdVar;
  file.Set("ThirdVar", "ChainsCount", Text(v3.ChainsCount));
  file.Set("ThirdVar", "SimCount", Text(v3.SimCount));
  file.Set("ThirdVar", "MovSpeed", Text(v3.MovSpeed));
  file.Set("ThirdVar", "RotSpeed", Text(v3.RotSpeed));
  file.Set("ThirdVar", "SimSize", Text(v3.SimSize));
  file.Set("ThirdVar", "Rotation", Text(v3.Rotation));
  file.Set("ThirdVar", "RotDirection", Text(v3.RotDirection));
}

fs::path SettingsFilePath() {
  // Relative values of XDG_CONFIG_HOME are invalid by the base-directory rules and are ignored.
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  const fs::path folder = configHome && *configHome && fs::path(configHome).is_absolute()
                              ? fs::path(configHome)
                              : HomeFolder() / ".config";
  return folder / kSettingsFileName;
}

void ReadSettings() {
  std::string bytes;
  ReadWholeFile(SettingsFilePath(), bytes, kMaxSettingsFileBytes);
  LoadSettings(IniDocument::Parse(bytes), Settings, CurrentScreenSize());
  WriteSettings();
}

void WriteSettings() {
  const fs::path path = SettingsFilePath();
  std::string bytes;
  // A file that exists but cannot be read must not be replaced: its other lines would be lost.
  if (ReadWholeFile(path, bytes, kMaxSettingsFileBytes) == FileReadStatus::kUnreadable) {
    throw ESettingsWriteError();
  }
  IniDocument file = IniDocument::Parse(bytes);
  StoreSettings(Settings, file);
  try {
    WriteFileAtomically(path, file.Serialize());
  } catch (const std::system_error&) {
    throw ESettingsWriteError();
  }
}

}  // namespace tess
