// The cost of composing and presenting one saver frame, headless: the frame routine of the saver
// drawing into an image-backed presenter, at 1080p and 4K, with the grey background or a
// stretched background picture.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <memory>

#include "bench/benchsupport.h"
#include "core/screen.h"
#include "render/imagepresenter.h"
#include "saver/saverengine.h"
#include "settings/settings.h"

namespace tess {
namespace {

void BM_Frame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  const bool picture = state.range(2) != 0;
  SetScreenSizeProvider([=] { return ScreenSize{w, h}; });
  SetDefaults(Settings);
  Settings.General.BGColor = MakeColour(76, 76, 76);
  Settings.General.VarNum = 0;  // no scene: the fixed cost of a frame
  bench::ScopedBackground background(picture);
  TImagePresenter window({w, h});
  TSaverEngine engine;
  engine.DXD1.SetPresenter(&window);
  engine.PrepareFrames();
  engine.DXD1.FormShown();
  for (auto _ : state)
    engine.DXT1Timer(engine.DXT1, 1);
}
BENCHMARK(BM_Frame)
    ->ArgNames({"w", "h", "picture"})
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tess
