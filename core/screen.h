#pragma once
// W and H: the primary screen's size in device pixels, read at every use. The program installs a
// provider that asks the GUI layer; tests and the headless tools install a fixed size.
#include <functional>

namespace tess {

struct ScreenSize {
  int W = 0;
  int H = 0;
  friend bool operator==(const ScreenSize&, const ScreenSize&) = default;
};

using ScreenSizeProvider = std::function<ScreenSize()>;

// Replaces the provider; returns the previous one so that a caller can restore it.
ScreenSizeProvider SetScreenSizeProvider(ScreenSizeProvider provider);

ScreenSize CurrentScreenSize();

}  // namespace tess
