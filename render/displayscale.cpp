#include "render/displayscale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tess {

namespace {
constexpr double kStandardDpi = 96.0;
}  // namespace

int WholeScale(double devicePixelRatio) {
  if (!std::isfinite(devicePixelRatio) || devicePixelRatio < 1.5) return 1;
  return static_cast<int>(std::lround(std::min(devicePixelRatio, double{kMaxScale})));
}

std::optional<int> ScaleOverride() {
  const char* value = std::getenv("TESSARINE_SCALE");
  if (value == nullptr || std::strlen(value) != 1 || value[0] < '1' || value[0] > '0' + kMaxScale)
    return std::nullopt;
  return value[0] - '0';
}

int DisplayScale(double devicePixelRatio) {
  return ScaleOverride().value_or(WholeScale(devicePixelRatio));
}

int DisplayScaleForDpi(double dpi) {
  return DisplayScale(dpi > 0 ? dpi / kStandardDpi : 1.0);
}

}  // namespace tess
