#include "settings/settings.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "core/nearest.h"
#include "settings/filestore.h"
#include "settings/ini.h"
#include "settings/settingstable.h"

namespace tess {

TSettings Settings;

namespace {

namespace fs = std::filesystem;

// No real settings file comes near this (ours is about 600 bytes); a larger one is treated as
// unreadable, so that a runaway file costs neither time nor memory at every start.
constexpr size_t kMaxSettingsFileBytes = 512u << 10;

std::optional<int32_t> ReadInteger(const IniDocument& file, const TSettingKey& key) {
  const auto text = file.Value(key.section, key.key);
  if (!text) return std::nullopt;
  return ParseProfileInteger(*text);
}

bool NamesExistingFile(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return fs::is_regular_file(fs::path(path), ec);
}

// One key: the file's value, or the default when it is missing or unreadable; then its check.
// Booleans read as integers whose default is 1 for true and 0 for false.
void LoadKey(const IniDocument& file, const TSettingKey& key, TSettings& settings,
             ScreenSize screen) {
  if (key.kind == TValueKind::kText) {
    key.text(settings) = file.Value(key.section, key.key).value_or(key.text(settings));
    return;
  }
  int32_t value = ReadInteger(file, key).value_or(key.IntegerOf(settings));
  if (key.ranged && (value < key.low || value > key.HighFor(screen, settings.ThirdVar.SimSize))) {
    value = key.fallback;  // fallbacks are not compared with the bounds again
  }
  key.SetInteger(settings, value);
}

bool HoldsLineBreak(std::string_view value) {
  return value.find_first_of("\r\n") != std::string_view::npos;
}

// The home folder: $HOME, else the user database's. A relative one would put the settings
// wherever the program happens to start, so it is not taken, as the base-directory rules say.
fs::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home && fs::path(home).is_absolute())
    return home;
  if (const passwd* entry = ::getpwuid(::getuid());
      entry && entry->pw_dir && fs::path(entry->pw_dir).is_absolute()) {
    return entry->pw_dir;
  }
  return "/";
}

}  // namespace

ESettingsWriteError::ESettingsWriteError()
    : ESettingsFileError(std::string("Unable to write to ") + kSettingsFileName) {}

ESettingsReadError::ESettingsReadError(const std::string& why)
    : ESettingsFileError(std::string("Unable to read ") + kSettingsFileName + ": " + why) {}

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
  // Section by section in the record's order; a key that the bounds of its section depend on
  // (ThirdVar.SimSize) comes first.
  const auto keys = SettingKeys();
  for (auto section = keys.begin(); section != keys.end();) {
    const auto end = std::find_if(section, keys.end(), [&](const TSettingKey& k) {
      return std::string_view(k.section) != section->section;
    });
    for (auto k = section; k != end; ++k) {
      if (k->settlesFirst) LoadKey(file, *k, settings, screen);
    }
    for (auto k = section; k != end; ++k) {
      if (!k->settlesFirst) LoadKey(file, *k, settings, screen);
    }
    section = end;
  }
  // The picture flag needs a picture: a path that names no existing file (a folder does not
  // count) turns it off, whatever the file says.
  if (!NamesExistingFile(settings.General.BGPicPath)) settings.General.BGPic = false;
}

void BoundToScreen(TSettings& settings, ScreenSize screen) {
  for (const TSettingKey& key : SettingKeys()) {
    if (key.bound == TScreenBound::kNone) continue;
    const int32_t value = key.IntegerOf(settings);
    if (value < key.low || value > key.HighFor(screen, settings.ThirdVar.SimSize))
      key.SetInteger(settings, key.fallback);
  }
}

void StoreSettings(const TSettings& settings, IniDocument& file) {
  for (const TSettingKey& key : SettingKeys()) {
    const std::string value = key.ValueText(settings);
    // A line break in a value would end its line in the file and start another: a picture's
    // name could write settings of its own. Such a value is refused, unless the file already
    // holds exactly it (a carriage return inside a hand-edited line stays where it was).
    if (HoldsLineBreak(value) && file.Value(key.section, key.key) != value) {
      throw ESettingsWriteError();
    }
    // A value longer than the reader takes was read cut short: the file keeps its own line
    // rather than the cut copy.
    const auto whole = file.Value(key.section, key.key, std::string::npos);
    if (whole && whole->size() > IniDocument::kMaxValueLength &&
        whole->compare(0, IniDocument::kMaxValueLength, value) == 0) {
      continue;
    }
    file.Set(key.section, key.key, value);
  }
}

fs::path SettingsFilePath() {
  // Relative values of XDG_CONFIG_HOME are invalid by the base-directory rules and are ignored.
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  const fs::path folder = configHome && *configHome && fs::path(configHome).is_absolute()
                              ? fs::path(configHome)
                              : HomeFolder() / ".config";
  return folder / kSettingsFileName;
}

namespace {

// The file's text, or nothing when there is none. A file that exists but cannot be read must not
// be replaced: its other lines would be lost.
std::string ReadSettingsFile() {
  std::string bytes, problem;
  if (ReadWholeFile(SettingsFilePath(), bytes, kMaxSettingsFileBytes, &problem) ==
      FileReadStatus::kUnreadable) {
    throw ESettingsReadError(problem);
  }
  return bytes;
}

}  // namespace

void ReadSettings() {
  LoadSettings(IniDocument::Parse(ReadSettingsFile()), Settings, CurrentScreenSize());
  WriteSettings();
}

void WriteSettings() {
  const fs::path path = SettingsFilePath();
  IniDocument file = IniDocument::Parse(ReadSettingsFile());
  StoreSettings(Settings, file);
  try {
    WriteFileAtomically(path, file.Serialize());
  } catch (const std::system_error&) {
    throw ESettingsWriteError();
  }
}

}  // namespace tess
