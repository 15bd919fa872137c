#pragma once
// The settings record, its defaults and clamps, and the settings file "Orvanex.ini" that keeps it
// between runs. Nothing here knows of Qt: the saver scenes, the trace tool and the fuzzers use it
// as it is.
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "core/colour.h"
#include "core/screen.h"

namespace tess {

class IniDocument;

struct TSettings {
  struct TGeneral {
    int32_t SimColor = 2;  // 1 red, 2 green, 3 blue
    ColourInt BGColor = 0;
    bool BGPic = false;
    std::string BGPicPath;
    int32_t VarNum = 1;
    int32_t Laying = 0;  // the settings dialog's page at the last OK
    friend bool operator==(const TGeneral&, const TGeneral&) = default;
  } General;
  struct TFirstVar {
    int32_t SimCount = 55;
    int32_t Moving = 1;  // 1 approach, 2 recede, 3 both
    bool ChBrightness = true;
    int32_t MovingSpeed = 10;
    int32_t ChBrightnessSpeed = 1;
    int32_t MinSimSize = 10;
    int32_t MaxSimSize = 110;
    friend bool operator==(const TFirstVar&, const TFirstVar&) = default;
  } FirstVar;
  struct TSecondVar {
    int32_t SimCount = 55;
    bool Moving = true;
    int32_t SimSize = 4;
    int32_t MovingSpeed = 10;
    int32_t ChBrightnessSpeed = 1;
    friend bool operator==(const TSecondVar&, const TSecondVar&) = default;
  } SecondVar;
  struct TThirdVar {
    int32_t ChainsCount = 10;
    int32_t SimCount = 15;
    int32_t MovSpeed = 7;
    int32_t RotSpeed = 7;
    int32_t SimSize = 4;
    int32_t Rotation = 2;  // 1 none, 2 to 4 about axis 1 to 3
    bool RotDirection = true;
    friend bool operator==(const TThirdVar&, const TThirdVar&) = default;
  } ThirdVar;

  friend bool operator==(const TSettings&, const TSettings&) = default;
};

// The one settings record of the program: the saver only reads it, the dialog's OK writes it.
extern TSettings Settings;

inline constexpr const char* kSettingsFileName = "Orvanex.ini";

// Raised when the settings file cannot be read or written; the message names the bare file name.
class ESettingsFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file cannot be written.
class ESettingsWriteError : public ESettingsFileError {
 public:
  ESettingsWriteError();
};

// The file is there but cannot be read (too large, not a regular file, not permitted); it is
// never replaced then, so that nothing in it is lost. The message says why.
class ESettingsReadError : public ESettingsFileError {
 public:
  explicit ESettingsReadError(const std::string& why);
};

void SetDefaults(TSettings& settings);

// Edge length of a size step: 5 x step + 10 pixels.
constexpr int32_t CellSize(int32_t simSizeStep) {
  return 5 * simSizeStep + 10;
}
// How many chains fit across the screen, and how long a chain may be (three quarters of the
// screen height), for a size step; both rounded to the nearest integer, ties to even.
int32_t ChainsBound(int W, int32_t simSizeStep);
int32_t ChainLengthBound(int H, int32_t simSizeStep);

// Fills `settings` from a parsed settings file, key by key in the file's order, replacing every
// missing, unreadable or out-of-range value. The settings are expected to hold the defaults.
void LoadSettings(const IniDocument& file, TSettings& settings, ScreenSize screen);

// The checks whose bounds depend on the screen (the chain count and length), again for another
// screen: a scene in a daemon's window or on a second monitor is bounded by what it draws in,
// while the record and the file keep the primary screen's bounds.
void BoundToScreen(TSettings& settings, ScreenSize screen);

// Puts all 25 fields into the document, in the record's order. Raises ESettingsWriteError for a
// value that holds a line break (unless the file holds exactly that value already): it would
// write lines of its own into the file.
void StoreSettings(const TSettings& settings, IniDocument& file);

// $XDG_CONFIG_HOME/Orvanex.ini, or ~/.config/Orvanex.ini when XDG_CONFIG_HOME is unset.
std::filesystem::path SettingsFilePath();

// The reader: fills the global record from the settings file over the defaults it holds, with
// every clamp, then rewrites the whole file through the writer. Throws as the writer does.
void ReadSettings();

// The writer: stores all fields of the global record in the settings file, keeping every other
// line of it. Throws ESettingsReadError when the file is there but cannot be read, and
// ESettingsWriteError when it cannot be written.
void WriteSettings();

}  // namespace tess
