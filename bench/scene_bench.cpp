// The scenes at their most demanding settings: the frame step alone (state and sprite choice,
// with a sink that only counts), and whole frames composed by the saver at 1080p and 4K.
#include <benchmark/benchmark.h>

#include "core/screen.h"
#include "render/imagepresenter.h"
#include "saver/saverengine.h"
#include "saver/scenes.h"
#include "settings/settings.h"

namespace tess {
namespace {

// The heaviest settings of each scene for a screen: 100 symbols, or a chain in every column
// with the longest chains.
void Demanding(TSettings& s, int var, ScreenSize screen) {
  SetDefaults(s);
  s.General.VarNum = var;
  s.FirstVar.SimCount = 100;
  s.FirstVar.Moving = 3;
  s.SecondVar.SimCount = 100;
  s.SecondVar.SimSize = 7;
  s.ThirdVar.SimSize = 4;
  s.ThirdVar.ChainsCount = ChainsBound(screen.W, 4);
  s.ThirdVar.SimCount = ChainLengthBound(screen.H, 4);
  s.ThirdVar.MovSpeed = 10;
  s.ThirdVar.RotSpeed = 10;
}

class CountingSink : public IGlyphSink {
 public:
  long sprites = 0;
  void DrawSim(uint16_t, uint16_t, uint16_t, uint16_t, uint16_t) override { ++sprites; }
};

void BM_SceneStep(benchmark::State& state) {
  const ScreenSize screen{1920, 1080};
  TSettings settings;
  Demanding(settings, static_cast<int>(state.range(0)), screen);
  RandomGenerator rng(1);
  CountingSink sink;
  TScenes scenes;
  const TSceneEnv env{settings, rng, sink, screen};
  scenes.Initialize(env);
  for (int f = 0; f < 2000; ++f)
    scenes.Step(env);  // past the phase-in
  sink.sprites = 0;
  for (auto _ : state)
    scenes.Step(env);
  state.counters["sprites/frame"] = benchmark::Counter(static_cast<double>(sink.sprites) /
                                                       static_cast<double>(state.iterations()));
}
BENCHMARK(BM_SceneStep)->ArgName("variation")->DenseRange(1, 3)->Unit(benchmark::kMicrosecond);

void BM_SceneFrame(benchmark::State& state) {
  const ScreenSize screen{static_cast<int>(state.range(1)), static_cast<int>(state.range(2))};
  SetScreenSizeProvider([=] { return screen; });
  Demanding(Settings, static_cast<int>(state.range(0)), screen);
  SharedRandom().Seed(1);
  TImagePresenter window({screen.W, screen.H});
  TSaverEngine engine;
  engine.DXD1.SetPresenter(&window);
  engine.PrepareFrames();
  engine.DXD1.FormShown();
  for (int f = 0; f < 500; ++f)
    engine.DXT1Timer(engine.DXT1, 1);
  for (auto _ : state)
    engine.DXT1Timer(engine.DXT1, 1);
}
BENCHMARK(BM_SceneFrame)
    ->ArgNames({"variation", "w", "h"})
    ->ArgsProduct({{1, 2, 3}, {1920}, {1080}})
    ->ArgsProduct({{1, 2, 3}, {3840}, {2160}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tess
