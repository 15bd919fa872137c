// Composing saver frames headless, at 1080p and 4K: no scene (fill and credit line only) or each
// scene at its most demanding settings, over the background grey or a stretched picture,
// redrawing only what changed or everything. The presenter copies nothing (on X the server does
// the copying; bench/cpu.sh measures it): it counts what it is handed, as a share of the screen.
// The blit paths by themselves, and the start-up path to the first presented frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

#include "bench/benchsupport.h"
#include "core/random.h"
#include "core/screen.h"
#include "render/imagelist.h"
#include "render/imagepresenter.h"
#include "render/surface.h"
#include "saver/glyphs.h"
#include "saver/saverengine.h"
#include "settings/settings.h"

namespace tess {
namespace {

class CountingPresenter : public IPresenter {
 public:
  explicit CountingPresenter(QSize size) : size_(size) {}
  QSize ClientSize() const override { return size_; }
  void Present(const QImage&, TPresentParts parts, QPoint) override {
    for (const QRect& part : parts)
      pixels += int64_t{part.width()} * part.height();
  }
  void WaitForVerticalBlank() override {}
  int64_t pixels = 0;

 private:
  QSize size_;
};

// One measured frame, by itself, so that an instruction counter can be pointed at it:
//   valgrind --tool=callgrind --collect-atstart=no --toggle-collect='*MeasuredFrame*' ...
__attribute__((noinline)) void MeasuredFrame(TSaverEngine& engine) {
  engine.DXT1Timer(engine.DXT1, 1);
}

void BM_Compose(benchmark::State& state) {
  const int variation = static_cast<int>(state.range(0));
  const ScreenSize screen{static_cast<int>(state.range(1)), static_cast<int>(state.range(2))};
  const bool picture = state.range(3) != 0;
  const bool byChange = state.range(4) != 0;
  SetScreenSizeProvider([=] { return screen; });
  bench::UseDemandingSettings(variation, screen);
  bench::ScopedBackground background(picture);
  SharedRandom().Seed(1);
  CountingPresenter display({screen.W, screen.H});
  TSaverEngine engine;
  engine.DXD1.DeferredComposition = byChange;
  engine.DXD1.SetPresenter(&display);
  engine.PrepareFrames();
  engine.DXD1.FormShown();
  for (int f = 0; f < bench::WarmUpFrames(); ++f)
    engine.DXT1Timer(engine.DXT1, 1);  // past the phase-in
  display.pixels = 0;
  for (auto _ : state)
    MeasuredFrame(engine);
  state.counters["presented"] =
      benchmark::Counter(static_cast<double>(display.pixels) /
                         (static_cast<double>(state.iterations()) * screen.W * screen.H));
  engine.DXD1.SetPresenter(nullptr);
}
// TESSARINE_BENCH_FRAMES=N measures exactly N frames, for an instruction counter to compare.
benchmark::internal::Benchmark* Frames(benchmark::internal::Benchmark* b) {
  const int frames = qEnvironmentVariableIntValue("TESSARINE_BENCH_FRAMES");
  return frames > 0 ? b->Iterations(frames) : b;
}
BENCHMARK(BM_Compose)
    ->ArgNames({"scene", "w", "h", "picture", "bychange"})
    ->ArgsProduct({{0, 1, 2, 3}, {1920}, {1080}, {0, 1}, {1, 0}})
    ->ArgsProduct({{0, 1, 2, 3}, {3840}, {2160}, {0, 1}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->Apply([](benchmark::internal::Benchmark* b) { Frames(b); });

// The blit paths by themselves: a thousand sprites of one size, opaque or colour-keyed. Up to 64
// pixels a side they come from the picture kept stretched (copies of rows, or of runs of ink);
// larger ones are stretched as they are drawn.
void BM_Blit(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const bool keyed = state.range(1) != 0;
  // One of the saver's own symbols, on its see-through black.
  TDXImageList list1, list2, list3;
  LoadGlyphLists(list1, list2, list3);
  const QImage glyph = list1.Items.Items(0).Picture().convertToFormat(QImage::Format_RGB32);
  const int side = std::min(glyph.width(), glyph.height());
  TDirectDraw ddraw;
  TDirectDrawSurface source(ddraw), dest(ddraw);
  source.SetSize(side, side);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x)
      source.WritePixel(x, y, glyph.pixel(x, y) & 0xFFFFFF);
  }
  source.SetSourceColorKey(0);
  dest.SetSize(1920, 1080);
  dest.FillDeviceColor(0x282828);
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      const int x = (i * 37) % (1920 - size), y = (i * 53) % (1080 - size);
      dest.BlitStretched({x, y, x + size, y + size}, RectOfSize(side, side), &source, keyed);
    }
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_Blit)
    ->ArgNames({"size", "keyed"})
    ->ArgsProduct({{15, 60, 110}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

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
