// The scenes' frame step alone at their most demanding settings: state and sprite choice, with a
// sink that only counts sprites.
#include <benchmark/benchmark.h>

#include "bench/benchsupport.h"
#include "core/screen.h"
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
  TScenes scenes(settings, rng, sink, screen);
  scenes.Initialize();
  for (int f = 0; f < bench::WarmUpFrames(); ++f)
    scenes.Step();  // past the phase-in
  sink.sprites = 0;
  for (auto _ : state)
    scenes.Step();
  state.counters["sprites/frame"] = benchmark::Counter(static_cast<double>(sink.sprites) /
                                                       static_cast<double>(state.iterations()));
}
BENCHMARK(BM_SceneStep)->ArgName("variation")->DenseRange(1, 3)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tess
