#include "settings/overrides.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "settings/ini.h"
#include "settings/settings.h"
#include "settings/settingstable.h"

namespace tess {

namespace {

constexpr std::string_view kSet = "--set";

// The record as a settings file that holds exactly its values.
IniDocument DocumentOf(const TSettings& settings) {
  IniDocument file;
  for (const TSettingKey& key : SettingKeys())
    file.Set(key.section, key.key, key.ValueText(settings));
  return file;
}

// Why the reader would not keep `value` for `key` as given; nothing when it would.
std::optional<std::string> Refusal(const TSettingKey& key, const std::string& value,
                                   const TSettings& loaded, ScreenSize screen) {
  if (value.find_first_of("\r\n") != std::string::npos) return "the value holds a line break";
  if (key.kind == TValueKind::kText) return std::nullopt;
  const auto number = ParseProfileInteger(value);
  if (!number) return "not a number";
  const int32_t wanted = key.kind == TValueKind::kBoolean ? (*number != 0) : *number;
  if (key.IntegerOf(loaded) == wanted) return std::nullopt;
  if (key.kind == TValueKind::kBoolean) return "no picture file at General.BGPicPath";
  return "outside " + std::to_string(key.low) + " to " +
         std::to_string(key.HighFor(screen, loaded.ThirdVar.SimSize));
}

// `text` and blanks up to `width` characters (UTF-8 sequences count as one).
std::string Padded(const std::string& text, size_t width) {
  const auto characters = static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
  return text + std::string(characters < width ? width - characters : 1, ' ');
}

}  // namespace

TCommandLine ParseCommandLine(int argc, const char* const* argv) {
  TCommandLine line;
  line.hasRunSwitch = argc > 1 && !std::string_view(argv[1]).starts_with("--");
  const auto fail = [&line](std::string problem) {
    if (line.problem.empty()) line.problem = std::move(problem);
  };
  for (int i = line.hasRunSwitch ? 2 : 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") {
      line.help = true;
    } else if (arg == kSet) {
      if (i + 1 < argc) {
        line.assignments.emplace_back(argv[++i]);
      } else {
        fail("--set needs Section.Key=VALUE");
      }
    } else if (arg.starts_with(kSet) && arg.size() > kSet.size() && arg[kSet.size()] == '=') {
      line.assignments.emplace_back(arg.substr(kSet.size() + 1));
    } else if (arg.starts_with("-") && arg != "-root" && arg != "--root") {
      fail("unknown option " + std::string(arg));
    }
  }
  return line;
}

std::vector<std::string> ApplyOverrides(const std::vector<std::string>& assignments,
                                        TSettings& settings, ScreenSize screen) {
  std::vector<std::string> problems;
  struct Assignment {
    const TSettingKey* key;
    std::string value;
    std::string text;
  };
  std::vector<Assignment> valid;
  for (const std::string& text : assignments) {
    const auto eq = text.find('=');
    const TSettingKey* key =
        eq == std::string::npos ? nullptr : FindSettingKey(std::string_view(text).substr(0, eq));
    if (key == nullptr) {
      problems.push_back("--set " + text + ": no such setting (see --help)");
      continue;
    }
    valid.push_back({key, text.substr(eq + 1), text});
  }
  // Keys that others depend on go first, whatever the order given: the cell size for the chain
  // bounds, the picture's path for the picture flag.
  std::stable_partition(valid.begin(), valid.end(), [](const Assignment& a) {
    return a.key->settlesFirst || a.key->kind == TValueKind::kText;
  });

  IniDocument file = DocumentOf(settings);
  for (const Assignment& a : valid) {
    IniDocument trial = file;
    trial.Set(a.key->section, a.key->key, a.value);
    TSettings loaded;
    LoadSettings(trial, loaded, screen);
    if (const auto refusal = Refusal(*a.key, a.value, loaded, screen)) {
      problems.push_back("--set " + a.text + ": " + *refusal +
                         "; the settings file's value is used");
      continue;
    }
    file = std::move(trial);
  }
  TSettings result;
  LoadSettings(file, result, screen);
  settings = result;
  return problems;
}

std::string HelpText() {
  std::string text =
      "usage: tessarine [/s | /c | /p] [--set Section.Key=VALUE ...] [--help]\n"
      "  /s, -s or nothing   run the saver (in the window XSCREENSAVER_WINDOW names, if set)\n"
      "  /c                  open the settings dialog\n"
      "  any other switch    read and rewrite the settings file, then end\n"
      "  --set Section.Key=VALUE\n"
      "                      run the saver with this value instead of the settings file's\n"
      "                      (the file keeps its own); names compare without case\n"
      "  --help              show this text\n"
      "\n"
      "Settings (file " +
      SettingsFilePath().string() + "):\n";
  for (const TSettingKey& key : SettingKeys()) {
    text += "  " + Padded(key.Name(), 29) + Padded(key.DefaultText(), 7) +
            Padded(key.RangeText(), 27) + key.meaning + "\n";
  }
  return text;
}

}  // namespace tess
