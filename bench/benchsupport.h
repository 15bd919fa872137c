#pragma once
// Shared set-up of the benchmarks: a background picture on disk, named in the settings.
#include <QTemporaryDir>
#include <string>

#include "core/screen.h"

namespace tess::bench {

// The global settings at their heaviest for a scene (0: no scene) on a screen: 100 symbols that
// zoom both ways or drift at the largest size, or a chain in every column of the smallest cells
// with the longest chains, all at the highest speeds.
void UseDemandingSettings(int variation, ScreenSize screen);

// Frames run before measuring, to get past the phase-in: 300, or TESSARINE_BENCH_WARMUP (the
// quick check in the test run uses a few).
int WarmUpFrames();

// With `enabled`, writes a 1920 x 1080 bitmap with a gradient and selects it as the background
// picture; the file goes away with the object.
class ScopedBackground {
 public:
  explicit ScopedBackground(bool enabled);
  ~ScopedBackground();

 private:
  QTemporaryDir dir_;
};

}  // namespace tess::bench
