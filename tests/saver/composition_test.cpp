// Redrawing only what changed must give, pixel for pixel, the frame a full redraw gives: two
// savers from one seed, one composing by change and one drawing everything, compared after every
// frame for thousands of frames, in every scene, with and without a background picture, with
// sprites crossing the credit line.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <cstdlib>

#include "core/random.h"
#include "render/framerecorder.h"
#include "render/gl/glcomposer.h"
#include "render/gl/glimagepresenter.h"
#include "render/imagepresenter.h"
#include "render/scaledpresenter.h"
#include "saver/saverengine.h"
#include "settings/settings.h"

namespace tess {
namespace {

struct Case {
  const char* name;
  int variation;
  bool picture;
  ScreenSize screen;
  bool twoThreads = false;  // the bands drawn on two threads from the first frame
  int colour = 2;
  int scale = 1;             // the graphics device's frames, enlarged as on a HiDPI screen
  bool minAboveMax = false;  // the zooming symbols' smallest size above their largest
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

class Composition : public ::testing::TestWithParam<Case> {};

// Shows an engine's frames through `display`, as a window's first showing does.
void ShowThrough(TSaverEngine& engine, IPresenter& display) {
  engine.DXD1.SetPresenter(&display);
  engine.PrepareFrames();
  engine.DXD1.FormShown();
}

// A saver drawing into an image presenter, composing by change or in full.
struct Saver {
  Saver(ScreenSize screen, bool byChange, uint32_t seed)
      : rng(seed), display({screen.W, screen.H}) {
    engine.SetRandom(rng);
    engine.DXD1.DeferredComposition = byChange;
    ShowThrough(engine, display);
  }
  const QImage& Frame() {
    engine.DXT1Timer(engine.DXT1, 1);
    return engine.DXD1.BackSurface()->Pixels();
  }
  RandomGenerator rng;
  TImagePresenter display;
  TSaverEngine engine;
};

// Heavy settings: many, large and fast symbols, so that sprites cross each other, the screen
// edges and the credit line.
void UseHeavySettings(const Case& c, const QTemporaryDir& dir) {
  SetScreenSizeProvider([&] { return c.screen; });
  SetDefaults(Settings);
  Settings.General.VarNum = c.variation;
  Settings.General.SimColor = c.colour;
  Settings.General.BGColor = MakeColour(30, 30, 30);
  Settings.FirstVar = {100, 3, true, 10, 10, c.minAboveMax ? 90 : 10, c.minAboveMax ? 20 : 110};
  Settings.SecondVar = {100, true, 7, 10, 10};
  Settings.ThirdVar = {
      ChainsBound(c.screen.W, 1), ChainLengthBound(c.screen.H, 1), 10, 10, 1, 3, false};
  if (c.picture) {
    QImage picture(97, 61, QImage::Format_RGB888);  // odd sizes: uneven stretching
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x)
        picture.setPixel(x, y, qRgb(x * 2, y * 3, 70));
    }
    ASSERT_TRUE(picture.save(dir.filePath("bg.bmp"), "BMP"));
    Settings.General.BGPic = true;
    Settings.General.BGPicPath = dir.filePath("bg.bmp").toStdString();
  }
}

TEST_P(Composition, ChangedAreasGiveTheFullFrameEveryFrame) {
  const Case& c = GetParam();
  QTemporaryDir dir;
  UseHeavySettings(c, dir);
  TFrameRecorder::SetSecondThreadAfter(c.twoThreads ? 0 : 1e9);
  Saver byChange(c.screen, true, 4242), full(c.screen, false, 4242);
  int presentedPixels = 0;
  for (int frame = 1; frame <= 3000; ++frame) {
    const QImage& expected = full.Frame();
    const QImage& composed = byChange.Frame();
    ASSERT_EQ(composed, expected) << "frame " << frame;
    // What the display shows, having been given only the changed areas, is the full frame too.
    ASSERT_EQ(byChange.display.Screen(), full.display.Screen()) << "frame " << frame;
    for (const QRect& r : byChange.display.LastPresentedArea())
      presentedPixels += r.width() * r.height();
  }
  TFrameRecorder::SetSecondThreadAfter(3);
  // How much of the screen was presented, on average: at these settings nearly everything
  // changes every frame, so this is for information only.
  RecordProperty("presented_share",
                 std::to_string(presentedPixels / (3000.0 * c.screen.W * c.screen.H)));
}

INSTANTIATE_TEST_SUITE_P(Scenes, Composition,
                         ::testing::Values(Case{"Zoom", 1, false, {640, 480}},
                                           Case{"ZoomOverPicture", 1, true, {640, 480}},
                                           Case{"Drift", 2, false, {600, 400}},
                                           Case{"DriftOverPicture", 2, true, {600, 400}},
                                           Case{"Chains", 3, false, {480, 360}},
                                           Case{"ChainsOverPicture", 3, true, {480, 360}},
                                           Case{"ZoomOnTwoThreads", 1, true, {640, 480}, true},
                                           Case{"DriftOnTwoThreads", 2, false, {600, 400}, true},
                                           Case{"ChainsOnTwoThreads", 3, true, {480, 360}, true}),
                         [](const auto& param) { return std::string(param.param.name); });

// The graphics device's frames are the processor's, pixel for pixel: a saver composing on the
// device (Mesa's rasteriser where there is no GPU) against one drawing every frame in full.
class GlComposition : public ::testing::TestWithParam<Case> {};

TEST_P(GlComposition, FramesOnTheDeviceAreTheProcessorsFrames) {
  const Case& c = GetParam();
  QTemporaryDir dir;
  UseHeavySettings(c, dir);
  RandomGenerator random(4242);
  TGlImagePresenter device({c.screen.W, c.screen.H}, c.scale);
  if (!device.OnDevice()) GTEST_SKIP() << "no OpenGL ES 3.0 without a display: " << device.Why();
  TSaverEngine engine(random);
  ShowThrough(engine, device);
  Saver full(c.screen, false, 4242);
  const int frames = std::getenv("TESSARINE_SHORT_GL_TESTS") != nullptr ? 300 : 3000;
  for (int frame = 1; frame <= frames; ++frame) {
    const QImage& expected = full.Frame();
    engine.DXT1Timer(engine.DXT1, 1);
    ASSERT_TRUE(device.OnDevice()) << "frame " << frame << ": " << device.Why();
    const QImage& shown = device.Screen();
    ASSERT_EQ(shown, c.scale == 1 ? expected : EnlargedPixels(expected, c.scale))
        << "frame " << frame;
  }
  RecordProperty("renderer", device.Renderer());
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, GlComposition,
    ::testing::Values(Case{"Zoom", 1, false, {640, 480}},
                      Case{"ZoomOverPictureRed", 1, true, {640, 480}, false, 1},
                      Case{"ZoomMinAboveMax", 1, false, {640, 480}, false, 3, 1, true},
                      Case{"DriftBlue", 2, false, {600, 400}, false, 3},
                      Case{"DriftOverPicture", 2, true, {600, 400}},
                      Case{"Chains", 3, false, {480, 360}},
                      Case{"ChainsOverPictureRed", 3, true, {480, 360}, false, 1},
                      Case{"ChainsAtScale2", 3, true, {320, 240}, false, 2, 2},
                      Case{"ZoomAtScale3", 1, true, {200, 150}, false, 2, 3}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(GlFaults, ALostDeviceHandsTheNextFrameToTheProcessor) {
  const Case c{"Chains", 3, true, {320, 240}};
  QTemporaryDir dir;
  UseHeavySettings(c, dir);
  RandomGenerator random(5);
  TGlImagePresenter device({c.screen.W, c.screen.H});
  if (!device.OnDevice()) GTEST_SKIP() << "no OpenGL ES 3.0 without a display: " << device.Why();
  TSaverEngine engine(random);
  ShowThrough(engine, device);
  Saver full(c.screen, false, 5);
  for (int frame = 1; frame <= 60; ++frame) {
    if (frame == 30) TGlComposer::FailNextFrame();
    engine.DXT1Timer(engine.DXT1, 1);
    ASSERT_EQ(device.Screen(), full.Frame()) << "frame " << frame;
    EXPECT_EQ(device.OnDevice(), frame < 30) << "frame " << frame;
  }
  EXPECT_EQ(device.Why(), "the device was lost (simulated)");
}

// The saver's frames with a heavy scene over a background picture, for the tests below.
void UseHeavyChains(ScreenSize screen) {
  SetDefaults(Settings);
  Settings.General.VarNum = 3;
  Settings.General.BGColor = MakeColour(30, 30, 30);
  Settings.ThirdVar = {ChainsBound(screen.W, 1), ChainLengthBound(screen.H, 1), 10, 10, 1, 3, true};
}

TEST(OtherMonitors, LeaveThePrimaryScreensFramesAsTheyWouldBeAlone) {
  const ScreenSize primarySize{640, 480};
  SetScreenSizeProvider([&] { return primarySize; });
  UseHeavyChains(primarySize);
  Saver alone(primarySize, true, 99), primary(primarySize, true, 99);
  // A second monitor of another size, drawn after each primary frame from a generator of its own.
  RandomGenerator otherRandom(SeedForScene(99, 1));
  TImagePresenter otherDisplay({800, 600});
  TSaverEngine other(otherRandom);
  other.SetScreenSize([] { return ScreenSize{800, 600}; });
  ShowThrough(other, otherDisplay);
  primary.engine.AfterFrame = [&](int steps) { other.DrawFrame(steps); };
  for (int frame = 1; frame <= 400; ++frame) {
    ASSERT_EQ(primary.Frame(), alone.Frame()) << "frame " << frame;
  }
  EXPECT_EQ(other.DXD1.BackSurface()->Width(), 800);
  // The other monitor runs a scene of its own, not a copy of the primary's.
  EXPECT_NE(otherDisplay.Screen().copy(0, 0, 640, 480), primary.display.Screen());
  EXPECT_NE(otherRandom.State(), SharedRandom().State());
}

TEST(CreditLine, StaysBetweenTheMarginsOfATinyScreen) {
  for (const ScreenSize size : {ScreenSize{320, 200}, ScreenSize{120, 90}}) {
    SetScreenSizeProvider([&] { return size; });
    SetDefaults(Settings);
    Settings.General.VarNum = 0;  // the credit line alone
    Saver saver(size, true, 1);
    const QImage& frame = saver.Frame();
    int leftmost = size.W, rightmost = -1;
    for (int y = 0; y < size.H; ++y) {
      for (int x = 0; x < size.W; ++x) {
        if ((frame.pixel(x, y) & 0xFFFFFF) == 0) continue;
        leftmost = std::min(leftmost, x);
        rightmost = std::max(rightmost, x);
      }
    }
    EXPECT_GE(leftmost, 3) << size.W;  // the margin, less what a glyph's side bearing shifts
    EXPECT_LE(rightmost, size.W - 4) << size.W;
    EXPECT_GT(rightmost - leftmost, size.W / 2) << size.W;
  }
}

// A display slower than the steps: every refresh shows the third of three steps.
class TSlowDisplay : public TImagePresenter {
 public:
  using TImagePresenter::TImagePresenter;
  int PlanFrame() override { return 3; }
};

TEST(SlowDisplays, AFrameOfSeveralStepsShowsWhatTheLastStepDraws) {
  const ScreenSize size{480, 360};
  SetScreenSizeProvider([&] { return size; });
  UseHeavyChains(size);
  Saver everyStep(size, true, 7);
  RandomGenerator rng(7);
  TSlowDisplay slowDisplay({size.W, size.H});
  TSaverEngine slow(rng);
  ShowThrough(slow, slowDisplay);
  for (int frame = 1; frame <= 200; ++frame) {
    everyStep.Frame();
    everyStep.Frame();
    const QImage expected = everyStep.Frame();
    slow.DXT1Timer(slow.DXT1, 1);
    ASSERT_EQ(slow.DXD1.BackSurface()->Pixels(), expected) << "frame " << frame;
  }
  EXPECT_EQ(rng.State(), everyStep.rng.State());
}

TEST(HiDpi, AFrameAtScaleSIsTheLogicalFrameEnlargedPixelByPixel) {
  const ScreenSize logical{320, 240};
  SetScreenSizeProvider([&] { return logical; });
  UseHeavyChains(logical);
  for (const int scale : {2, 3}) {
    Saver plain(logical, true, 7);
    RandomGenerator random(7);
    TImagePresenter device({logical.W * scale, logical.H * scale});
    TScaledPresenter enlarging(device, scale);
    TSaverEngine scaled(random);
    ShowThrough(scaled, enlarging);
    for (int frame = 1; frame <= 300; ++frame) {
      plain.Frame();
      scaled.DXT1Timer(scaled.DXT1, 1);
      ASSERT_EQ(device.Screen(), EnlargedPixels(plain.display.Screen(), scale))
          << "scale " << scale << ", frame " << frame;
      // Only what changed was enlarged and presented: the changed area, s times as large.
      QRegion enlargedArea;
      for (const QRect& r : plain.display.LastPresentedArea())
        enlargedArea += QRect(r.topLeft() * scale, r.size() * scale);
      ASSERT_EQ(device.LastPresentedArea(), enlargedArea) << "frame " << frame;
    }
  }
}

}  // namespace
}  // namespace tess
