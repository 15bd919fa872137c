// Composing and presenting saver frames headless (into an image-backed presenter), at 1080p and
// 4K: no scene (fill and credit line only) or each scene at its most demanding settings, over the
// background grey or a stretched picture, redrawing only what changed or everything. And the
// start-up path to the first presented frame.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/benchsupport.h"
#include "core/random.h"
#include "core/screen.h"
#include "render/imagepresenter.h"
#include "saver/saverengine.h"
#include "settings/settings.h"

namespace tess {
namespace {

void BM_Compose(benchmark::State& state) {
  const int variation = static_cast<int>(state.range(0));
  const ScreenSize screen{static_cast<int>(state.range(1)), static_cast<int>(state.range(2))};
  const bool picture = state.range(3) != 0;
  const bool byChange = state.range(4) != 0;
  SetScreenSizeProvider([=] { return screen; });
  bench::UseDemandingSettings(variation, screen);
  bench::ScopedBackground background(picture);
  SharedRandom().Seed(1);
  TImagePresenter display({screen.W, screen.H});
  TSaverEngine engine;
  engine.DXD1.DeferredComposition = byChange;
  engine.DXD1.SetPresenter(&display);
  engine.PrepareFrames();
  engine.DXD1.FormShown();
  for (int f = 0; f < 300; ++f)
    engine.DXT1Timer(engine.DXT1, 1);  // past the phase-in
  for (auto _ : state)
    engine.DXT1Timer(engine.DXT1, 1);
}
BENCHMARK(BM_Compose)
    ->ArgNames({"scene", "w", "h", "picture", "bychange"})
    ->ArgsProduct({{0, 1, 2, 3}, {1920}, {1080}, {0, 1}, {1, 0}})
    ->ArgsProduct({{0, 1, 2, 3}, {3840}, {2160}, {0, 1}, {1, 0}})
    ->Unit(benchmark::kMillisecond);

// From nothing to the first frame on the display: loading the glyph pictures, tinting them, the
// scene's set-up, the image surfaces and the first frame.
void BM_StartUp(benchmark::State& state) {
  const ScreenSize screen{1920, 1080};
  SetScreenSizeProvider([=] { return screen; });
  bench::UseDemandingSettings(3, screen);
  Settings.General.SimColor = 1;  // the tint runs too
  for (auto _ : state) {
    TImagePresenter display({screen.W, screen.H});
    auto engine = std::make_unique<TSaverEngine>();
    engine->DXD1.SetPresenter(&display);
    engine->PrepareFrames();
    engine->DXD1.FormShown();
    engine->DXT1Timer(engine->DXT1, 1);
    benchmark::DoNotOptimize(display.PresentCount());
  }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tess
