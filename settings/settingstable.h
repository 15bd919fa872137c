#pragma once
// Every key of the settings file, once: where it lives, its type, default, valid range and the
// value that replaces an out-of-range one, the dialog controls that show it and what it means.
// The reader, the writer, the command-line overrides and the help text all work from this table,
// and tests hold the README, the xscreensaver description and the dialog against it, so that a
// key cannot be changed in one place and forgotten in another.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/screen.h"

namespace tess {

struct TSettings;

enum class TValueKind { kInteger, kBoolean, kText };

// An upper bound that depends on the screen and on ThirdVar.SimSize instead of a fixed number.
enum class TScreenBound { kNone, kChains, kChainLength };

struct TSettingKey {
  const char* section;
  const char* key;
  TValueKind kind;
  int32_t defaultValue;  // booleans 0 or 1; unused for text
  bool ranged;           // false: every value is kept
  int32_t low;
  // With a screen bound, the most any screen can use (what the chains scene's arrays hold); the
  // reader checks against the bound itself.
  int32_t high;
  TScreenBound bound;
  int32_t fallback;  // the value an out-of-range one becomes
  // Read before the other keys of its section, because their bounds depend on it.
  bool settlesFirst;
  const char* controls;  // the dialog controls that show the key, blank-separated; "" for none
  const char* meaning;
  // The field of the record; exactly one of these is set, by kind.
  int32_t& (*integer)(TSettings&);
  bool& (*boolean)(TSettings&);
  std::string& (*text)(TSettings&);

  std::string Name() const { return std::string(section) + "." + key; }
  // The field as an integer (booleans 0 or 1); text has none.
  int32_t IntegerOf(const TSettings& settings) const;
  void SetInteger(TSettings& settings, int32_t value) const;
  // The value as the file stores it: integers in decimal, booleans 1 or 0, text as it is.
  std::string ValueText(const TSettings& settings) const;
  // The upper end of the valid range on a screen, for a settled ThirdVar.SimSize.
  int32_t HighFor(ScreenSize screen, int32_t simSizeStep) const;
  // The range as the README and the help text show it: "1–3", "0/1", "any", ...
  std::string RangeText() const;
  std::string DefaultText() const;
};

// The 25 keys in the order of the record, which is the order the writer writes them.
std::span<const TSettingKey> SettingKeys();

// The key named "Section.Key", names compared without case.
const TSettingKey* FindSettingKey(std::string_view name);

}  // namespace tess
