#pragma once
// Every conversion of a floating-point value to an integer in Tessarine takes the nearest integer,
// ties to the even one, in extended precision: the same answer the original arithmetic gave, so
// that scenes replay exactly from a seed. Truncation would shift sprites by a pixel.
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tess {

inline int64_t nearest(long double x) {
  constexpr auto kMax = static_cast<long double>(std::numeric_limits<int64_t>::max());
  if (std::isnan(x)) return 0;
  if (x >= kMax) return std::numeric_limits<int64_t>::max();
  if (x <= -kMax) return std::numeric_limits<int64_t>::min();
  // nearbyintl honours the current rounding mode, which the program never leaves
  // (round to nearest, ties to even).
  return static_cast<int64_t>(std::nearbyintl(x));
}

// The same, stored into a signed 32-bit field: the low 32 bits, as the original stored them.
inline int32_t nearest32(long double x) {
  return static_cast<int32_t>(nearest(x));
}

}  // namespace tess
