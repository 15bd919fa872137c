#include "core/screen.h"

#include <utility>

namespace tess {

namespace {
// Before a display is known, a common desktop size keeps every bound computable.
constexpr ScreenSize kFallbackScreen{1024, 768};

ScreenSizeProvider& Provider() {
  static ScreenSizeProvider provider;
  return provider;
}
}  // namespace

ScreenSizeProvider SetScreenSizeProvider(ScreenSizeProvider provider) {
  return std::exchange(Provider(), std::move(provider));
}

ScreenSize CurrentScreenSize() {
  const auto& provider = Provider();
  return provider ? provider() : kFallbackScreen;
}

}  // namespace tess
