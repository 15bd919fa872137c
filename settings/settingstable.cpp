#include "settings/settingstable.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "settings/settings.h"

namespace tess {

namespace {

using K = TValueKind;
using B = TScreenBound;

constexpr TSettingKey Integer(const char* section, const char* key, int32_t def, int32_t low,
                              int32_t high, int32_t fallback, const char* controls,
                              const char* meaning, int32_t& (*field)(TSettings&),
                              B bound = B::kNone, bool settlesFirst = false) {
  return {section,  key,          K::kInteger, def,     true,  low,     high,   bound,
          fallback, settlesFirst, controls,    meaning, field, nullptr, nullptr};
}
constexpr TSettingKey AnyInteger(const char* section, const char* key, int32_t def,
                                 const char* controls, const char* meaning,
                                 int32_t& (*field)(TSettings&)) {
  return {section, key,   K::kInteger, def,     false, 0,       0,      B::kNone,
          def,     false, controls,    meaning, field, nullptr, nullptr};
}
constexpr TSettingKey Boolean(const char* section, const char* key, bool def, const char* controls,
                              const char* meaning, bool& (*field)(TSettings&)) {
  return {section,     key,   K::kBoolean, def ? 1 : 0, false,   0,     0,      B::kNone,
          def ? 1 : 0, false, controls,    meaning,     nullptr, field, nullptr};
}
constexpr TSettingKey Text(const char* section, const char* key, const char* controls,
                           const char* meaning, std::string& (*field)(TSettings&)) {
  return {section, key,   K::kText, 0,       false,   0,       0,    B::kNone,
          0,       false, controls, meaning, nullptr, nullptr, field};
}

// clang-format off
const std::array<TSettingKey, 25> kKeys = {{
  Integer("General", "SimColor", 2, 1, 3, 2, "RB1 RB2 RB3",
          "symbol colour: 1 red, 2 green, 3 blue",
          [](TSettings& s) -> int32_t& { return s.General.SimColor; }),
  AnyInteger("General", "BGColor", 0, "TB1",
             "background colour, red in the low byte (the dialog writes greys)",
             [](TSettings& s) -> int32_t& { return s.General.BGColor; }),
  Boolean("General", "BGPic", false, "CB1",
          "draw the background picture (only when the file exists)",
          [](TSettings& s) -> bool& { return s.General.BGPic; }),
  Text("General", "BGPicPath", "E1",
       "path of a Windows bitmap (`.bmp`) stretched over the screen",
       [](TSettings& s) -> std::string& { return s.General.BGPicPath; }),
  Integer("General", "VarNum", 1, 1, 3, 1, "RB4 RB5 RB6",
          "scene: 1 zooming, 2 drifting, 3 chains",
          [](TSettings& s) -> int32_t& { return s.General.VarNum; }),
  Integer("General", "Laying", 0, 0, 3, 0, "PC1", "the dialog page open at the last OK",
          [](TSettings& s) -> int32_t& { return s.General.Laying; }),

  Integer("FirstVar", "SimCount", 55, 10, 100, 55, "TB2", "zooming symbols",
          [](TSettings& s) -> int32_t& { return s.FirstVar.SimCount; }),
  Integer("FirstVar", "Moving", 1, 1, 3, 1, "RB7 RB8 RB9", "1 approach, 2 recede, 3 both",
          [](TSettings& s) -> int32_t& { return s.FirstVar.Moving; }),
  Boolean("FirstVar", "ChBrightness", true, "RB10 RB11", "brightness pulses",
          [](TSettings& s) -> bool& { return s.FirstVar.ChBrightness; }),
  Integer("FirstVar", "MovingSpeed", 10, 1, 10, 10, "TB3", "zoom speed",
          [](TSettings& s) -> int32_t& { return s.FirstVar.MovingSpeed; }),
  Integer("FirstVar", "ChBrightnessSpeed", 1, 1, 10, 1, "TB4", "pulse speed",
          [](TSettings& s) -> int32_t& { return s.FirstVar.ChBrightnessSpeed; }),
  Integer("FirstVar", "MinSimSize", 10, 10, 100, 10, "", "smallest size in pixels",
          [](TSettings& s) -> int32_t& { return s.FirstVar.MinSimSize; }),
  Integer("FirstVar", "MaxSimSize", 110, 20, 110, 110, "", "largest size in pixels",
          [](TSettings& s) -> int32_t& { return s.FirstVar.MaxSimSize; }),

  Integer("SecondVar", "SimCount", 55, 10, 100, 55, "TB5", "drifting symbols",
          [](TSettings& s) -> int32_t& { return s.SecondVar.SimCount; }),
  Boolean("SecondVar", "Moving", true, "RB12 RB13", "symbols move",
          [](TSettings& s) -> bool& { return s.SecondVar.Moving; }),
  Integer("SecondVar", "SimSize", 4, 1, 7, 4, "TB6", "size step: 5 × step + 10 pixels",
          [](TSettings& s) -> int32_t& { return s.SecondVar.SimSize; }),
  Integer("SecondVar", "MovingSpeed", 10, 1, 10, 10, "TB7", "movement speed",
          [](TSettings& s) -> int32_t& { return s.SecondVar.MovingSpeed; }),
  Integer("SecondVar", "ChBrightnessSpeed", 1, 1, 10, 1, "TB8", "pulse speed",
          [](TSettings& s) -> int32_t& { return s.SecondVar.ChBrightnessSpeed; }),

  Integer("ThirdVar", "ChainsCount", 10, 10, 300, 10, "TB9", "chains",
          [](TSettings& s) -> int32_t& { return s.ThirdVar.ChainsCount; }, B::kChains),
  Integer("ThirdVar", "SimCount", 15, 5, 100, 15, "TB10", "symbols per chain",
          [](TSettings& s) -> int32_t& { return s.ThirdVar.SimCount; }, B::kChainLength),
  // Missing keys default to 7, but an out-of-range stored speed becomes 10.
  Integer("ThirdVar", "MovSpeed", 7, 1, 10, 10, "TB11", "movement speed",
          [](TSettings& s) -> int32_t& { return s.ThirdVar.MovSpeed; }),
  Integer("ThirdVar", "RotSpeed", 7, 1, 10, 10, "TB12", "turning speed",
          [](TSettings& s) -> int32_t& { return s.ThirdVar.RotSpeed; }),
  Integer("ThirdVar", "SimSize", 4, 1, 7, 4, "TB13", "cell size step: 5 × step + 10 pixels",
          [](TSettings& s) -> int32_t& { return s.ThirdVar.SimSize; }, B::kNone, true),
  Integer("ThirdVar", "Rotation", 2, 1, 4, 2, "RB14 RB15 RB16 RB17",
          "1 no turning, 2–4 about axis 1–3",
          [](TSettings& s) -> int32_t& { return s.ThirdVar.Rotation; }),
  Boolean("ThirdVar", "RotDirection", true, "RB18 RB19", "1 forward, 0 reverse",
          [](TSettings& s) -> bool& { return s.ThirdVar.RotDirection; }),
}};
// clang-format on

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::span<const TSettingKey> SettingKeys() {
  return kKeys;
}

const TSettingKey* FindSettingKey(std::string_view name) {
  const auto dot = name.find('.');
  if (dot == std::string_view::npos) return nullptr;
  for (const TSettingKey& k : kKeys) {
    if (EqualsNoCase(name.substr(0, dot), k.section) && EqualsNoCase(name.substr(dot + 1), k.key))
      return &k;
  }
  return nullptr;
}

int32_t TSettingKey::IntegerOf(const TSettings& settings) const {
  auto& s = const_cast<TSettings&>(settings);  // the accessors only read here
  if (integer != nullptr) return integer(s);
  if (boolean != nullptr) return boolean(s) ? 1 : 0;
  return 0;
}

std::string TSettingKey::ValueText(const TSettings& settings) const {
  if (text != nullptr) return text(const_cast<TSettings&>(settings));  // only read
  return std::to_string(IntegerOf(settings));
}

void TSettingKey::SetInteger(TSettings& settings, int32_t value) const {
  if (integer != nullptr) integer(settings) = value;
  if (boolean != nullptr) boolean(settings) = value != 0;
}

int32_t TSettingKey::HighFor(ScreenSize screen, int32_t simSizeStep) const {
  switch (bound) {
    case TScreenBound::kChains:
      return ChainsBound(screen.W, simSizeStep);
    case TScreenBound::kChainLength:
      return ChainLengthBound(screen.H, simSizeStep);
    case TScreenBound::kNone:
      break;
  }
  return high;
}

std::string TSettingKey::RangeText() const {
  if (kind == TValueKind::kBoolean) return "0/1";
  if (kind == TValueKind::kText) return "";
  if (!ranged) return "any";
  switch (bound) {
    case TScreenBound::kChains:
      return std::to_string(low) + " to screen width / cell";
    case TScreenBound::kChainLength:
      return std::to_string(low) + " to ¾ screen height / cell";
    case TScreenBound::kNone:
      break;
  }
  return std::to_string(low) + "–" + std::to_string(high);
}

std::string TSettingKey::DefaultText() const {
  return kind == TValueKind::kText ? "empty" : std::to_string(defaultValue);
}

}  // namespace tess
