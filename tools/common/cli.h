#pragma once
// What the headless tools share on their command lines: whole numbers within a range, and a
// settings file read as the program reads its own (clamped for the given screen, never written).
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "core/screen.h"
#include "settings/filestore.h"
#include "settings/ini.h"
#include "settings/settings.h"

namespace tess::cli {

template <typename T>
std::optional<T> Number(std::string_view text, T low, T high) {
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

// Reads `path` over the settings; false when the file cannot be read.
inline bool LoadSettingsFile(const std::string& path, TSettings& settings, ScreenSize screen) {
  std::string bytes;
  if (ReadWholeFile(path, bytes, 64u << 20) != FileReadStatus::kRead) return false;
  LoadSettings(IniDocument::Parse(bytes), settings, screen);
  return true;
}

}  // namespace tess::cli
