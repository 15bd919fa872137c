// Start-up work on the glyph pictures: loading all 750 from the program's resources, and the
// one-time tint to red or blue.
#include <benchmark/benchmark.h>

#include "render/imagelist.h"
#include "saver/glyphs.h"

namespace tess {
namespace {

void BM_LoadGlyphs(benchmark::State& state) {
  for (auto _ : state) {
    TDXImageList list1, list2, list3;
    LoadGlyphLists(list1, list2, list3);
    benchmark::DoNotOptimize(list3.Items.Count());
  }
}
BENCHMARK(BM_LoadGlyphs)->Unit(benchmark::kMillisecond);

void BM_TintGlyphs(benchmark::State& state) {
  TDXImageList list1, list2, list3;
  LoadGlyphLists(list1, list2, list3);
  for (auto _ : state)
    TintGlyphs(1, list1, list2, list3);
}
BENCHMARK(BM_TintGlyphs)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tess
