// The GL composer against the processor on what the scenes rarely do: more pictures than its
// atlas holds (packed afresh at the next frame), pictures too large for it, and pictures redrawn
// between frames. Runs on Mesa's rasteriser where there is no GPU.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "render/gl/eglheadless.h"
#include "render/gl/glcomposer.h"
#include "render/gl/selfcheck.h"
#include "render/surface.h"

namespace tess {
namespace {

struct Pictures {
  const char* name;
  int count;
  int size;  // each picture is size x size
};

class GlComposer : public ::testing::TestWithParam<Pictures> {};

void Paint(TDirectDrawSurface& picture, int seed) {
  for (int y = 0; y < picture.Height(); y += 3) {
    for (int x = 0; x < picture.Width(); x += 3)
      picture.WritePixel(x, y, ((x * 7 + seed * 31) << 16) | ((y * 5 + seed) << 8) | 0x40);
  }
}

TEST_P(GlComposer, DrawsWhatTheProcessorDrawsWhateverThePictures) {
  TEglHeadless context;
  if (!context.Ready()) GTEST_SKIP() << "no OpenGL ES 3.0 without a display: " << context.Error();
  TGlComposer composer;
  ASSERT_TRUE(composer.Ready()) << composer.Error();
  TDirectDraw ddraw;
  std::vector<std::unique_ptr<TDirectDrawSurface>> pictures;
  for (int i = 0; i < GetParam().count; ++i) {
    auto& picture = pictures.emplace_back(std::make_unique<TDirectDrawSurface>(ddraw));
    picture->SetSize(GetParam().size, GetParam().size);  // black: the key
    Paint(*picture, i);
  }
  TDirectDrawSurface onProcessor(ddraw), onDevice(ddraw);
  for (TDirectDrawSurface* back : {&onProcessor, &onDevice}) {
    back->SetDeferred(true);
    back->SetSize(640, 480);
  }
  onDevice.SetExecutor(&composer);
  for (int frame = 0; frame < 3; ++frame) {
    if (frame == 2) Paint(*pictures.front(), 99);  // a picture drawn into between frames
    for (TDirectDrawSurface* back : {&onProcessor, &onDevice}) {
      back->FillDeviceColor(0x203040);
      for (size_t i = 0; i < pictures.size(); ++i) {
        const int x = static_cast<int>(i % 8) * 80 - 20 + frame,
                  y = static_cast<int>(i / 8) * 60 - 10;
        back->BlitStretched({x, y, x + 97, y + 71}, pictures[i]->Bounds(), pictures[i].get(),
                            i % 3 != 0);
      }
      back->CommitFrame();
    }
    ASSERT_FALSE(onDevice.TakeExecutorFailure()) << composer.Error();
    ASSERT_EQ(composer.ReadBack(), onProcessor.Pixels()) << "frame " << frame;
    // The background fill, then one call per texture at most.
    EXPECT_LE(composer.DrawCallsLastFrame(), GetParam().count + 1) << "frame " << frame;
  }
  RecordProperty("device_bytes", std::to_string(composer.DeviceBytes()));
}

INSTANTIATE_TEST_SUITE_P(Pictures, GlComposer,
                         ::testing::Values(Pictures{"ManySmall", 64, 24},
                                           Pictures{"MoreThanTheAtlasHolds", 40, 400},
                                           Pictures{"TooLargeForTheAtlas", 3, 700}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(GlSelfCheck, PassesOnAnExactDeviceInLittleTime) {
  TEglHeadless context;
  if (!context.Ready()) GTEST_SKIP() << "no OpenGL ES 3.0 without a display: " << context.Error();
  TGlComposer composer;
  const TSelfCheck check = RunSelfCheck(composer);
  EXPECT_TRUE(check.passed) << check.why;
  RecordProperty("milliseconds", std::to_string(check.milliseconds));
}

}  // namespace
}  // namespace tess
