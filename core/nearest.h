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
  // rintl rounds in the current mode, which the program never leaves (to nearest, ties to even);
  // unlike nearbyintl it need not save the floating-point flags, which makes it some twenty times
  // faster, and scenes round twice per sprite.
  return static_cast<int64_t>(std::rintl(x));
}

// nearest(twice / 2) for an integer `twice`: sprite centres and edges lie on whole or half pixels,
// where integer arithmetic gives exactly the extended-precision answer (halves to the even
// neighbour) at a fraction of the cost; the chains scene rounds two of these per sprite.
constexpr int64_t NearestHalf(int64_t twice) {
  if (twice % 2 == 0) return twice / 2;
  const int64_t below = twice >= 0 ? twice / 2 : -((1 - twice) / 2);  // floor(twice / 2)
  return below % 2 == 0 ? below : below + 1;
}

// The same, stored into a signed 32-bit field: the low 32 bits, as the original stored them.
inline int32_t nearest32(long double x) {
  return static_cast<int32_t>(nearest(x));
}

}  // namespace tess
