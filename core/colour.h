#pragma once
// Colour integers hold red in the low byte, green in the middle byte and blue in the high byte.
// Surface pixels are raw 0x00RRGGBB values; the two must be converted explicitly.
#include <cstdint>

namespace tess {

using ColourInt = int32_t;

constexpr int RedOf(ColourInt c) {
  return c & 0xFF;
}
constexpr int GreenOf(ColourInt c) {
  return (c >> 8) & 0xFF;
}
constexpr int BlueOf(ColourInt c) {
  return (c >> 16) & 0xFF;
}

constexpr ColourInt MakeColour(int red, int green, int blue) {
  return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}

// The raw surface pixel value (0x00RRGGBB) for a colour integer.
constexpr uint32_t RawPixelOf(ColourInt c) {
  return (static_cast<uint32_t>(RedOf(c)) << 16) | (static_cast<uint32_t>(GreenOf(c)) << 8) |
         static_cast<uint32_t>(BlueOf(c));
}

// The colour integer for a raw 0x00RRGGBB pixel value.
constexpr ColourInt ColourOfRaw(uint32_t raw) {
  return MakeColour(static_cast<int>((raw >> 16) & 0xFF), static_cast<int>((raw >> 8) & 0xFF),
                    static_cast<int>(raw & 0xFF));
}

}  // namespace tess
