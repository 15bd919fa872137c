#pragma once
// The one operation through which every scene draws: a glyph centred on (X, Y) in a square of
// edge Size, from list List (1, 2 or 3) at item Index. Arguments are unsigned 16-bit values;
// scenes work with signed integers and pass the low 16 bits. Failures are swallowed.
#include <cstdint>

namespace tess {

class IGlyphSink {
 public:
  virtual ~IGlyphSink() = default;
  virtual void DrawSim(uint16_t X, uint16_t Y, uint16_t Size, uint16_t Index, uint16_t List) = 0;
};

// The low 16 bits of a signed value, as a scene passes it on.
constexpr uint16_t Low16(int64_t value) {
  return static_cast<uint16_t>(value & 0xFFFF);
}

}  // namespace tess
