#include "render/surface.h"

#include <gtest/gtest.h>

#include <random>

#include "render/errors.h"
#include "render/pixelcopy.h"

namespace tess {
namespace {

class SurfaceTest : public ::testing::Test {
 protected:
  // A source whose every pixel is distinct: raw value (x + 1) * 0x100 + (y + 1).
  TDirectDrawSurface& MakeNumberedSource(int w, int h) {
    source_.SetSize(w, h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x)
        source_.WritePixel(x, y, (x + 1) * 0x100u + (y + 1));
    }
    return source_;
  }

  std::vector<uint32_t> Row(TDirectDrawSurface& s, int y, int from, int to) {
    std::vector<uint32_t> row;
    for (int x = from; x < to; ++x)
      row.push_back(s.ReadPixel(x, y));
    return row;
  }

  TDirectDraw ddraw_;
  TDirectDrawSurface source_{ddraw_};
  TDirectDrawSurface dest_{ddraw_};
};

uint32_t Src(int x, int y) {
  return (x + 1) * 0x100u + (y + 1);
}

TEST_F(SurfaceTest, StretchedBlitsMapTheWholeSourceOntoTheWholeRectangle) {
  struct Case {
    int srcW;
    TRect dest;
    std::vector<int> columns;  // the source column each destination column shows
  };
  const Case cases[] = {
      {2, {0, 0, 4, 4}, {0, 0, 1, 1}},     // enlarge by 2
      {4, {0, 0, 2, 2}, {1, 3}},           // shrink by 2: the pixel under each centre
      {3, {0, 0, 5, 5}, {0, 0, 1, 2, 2}},  // odd enlargement
      {5, {0, 0, 3, 3}, {0, 2, 4}},        // odd shrink
      {20, {0, 0, 20, 20}, {}},            // one to one
  };
  for (const auto& c : cases) {
    MakeNumberedSource(c.srcW, c.srcW);
    dest_.SetSize(32, 32);
    dest_.FillDeviceColor(0);
    dest_.BlitStretched(c.dest, RectOfSize(c.srcW, c.srcW), &source_, false);
    for (int x = 0; x < c.dest.Width(); ++x) {
      const int expectedColumn = c.columns.empty() ? x : c.columns[x];
      EXPECT_EQ(dest_.ReadPixel(x, 0), Src(expectedColumn, c.columns.empty() ? 0 : c.columns[0]))
          << "source width " << c.srcW << " column " << x;
    }
    EXPECT_EQ(dest_.ReadPixel(c.dest.Right, 0), 0u) << "nothing right of the rectangle";
    EXPECT_EQ(dest_.ReadPixel(0, c.dest.Bottom), 0u) << "nothing below the rectangle";
  }
}

TEST_F(SurfaceTest, ClippingNeverChangesTheMapping) {
  // Every clipped blit must show exactly the pixels an unclipped blit into a larger surface
  // shows: opaque and keyed, small (drawn from the picture kept stretched, run by run) and large.
  MakeNumberedSource(20, 20);
  constexpr uint32_t kKey = 0x00FF00;
  for (int y = 0; y < 20; ++y) {  // see-through holes and ragged row ends, as in a symbol
    for (int x = 0; x < 20; ++x) {
      if ((x * 7 + y * 3) % 5 == 0 || x > 14 - y % 4) source_.WritePixel(x, y, kKey);
    }
  }
  source_.SetSourceColorKey(kKey);
  TDirectDrawSurface reference(ddraw_);
  constexpr int kMargin = 100;
  std::mt19937 random(7);
  for (int i = 0; i < 600; ++i) {
    const bool keyed = i % 2 == 1;
    const int left = std::uniform_int_distribution<>(-60, 50)(random);
    const int top = std::uniform_int_distribution<>(-60, 50)(random);
    const int size = std::uniform_int_distribution<>(1, 90)(random);
    const TRect rect{left, top, left + size, top + size + (i % 3)};
    dest_.SetSize(40, 30);
    dest_.FillDeviceColor(0x111111);
    dest_.BlitStretched(rect, RectOfSize(20, 20), &source_, keyed);
    reference.SetSize(40 + 2 * kMargin, 30 + 2 * kMargin);
    reference.FillDeviceColor(0x111111);
    reference.BlitStretched(
        {rect.Left + kMargin, rect.Top + kMargin, rect.Right + kMargin, rect.Bottom + kMargin},
        RectOfSize(20, 20), &source_, keyed);
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        ASSERT_EQ(dest_.ReadPixel(x, y), reference.ReadPixel(x + kMargin, y + kMargin))
            << (keyed ? "keyed" : "opaque") << " rect " << rect.Left << "," << rect.Top << " size "
            << size << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(SurfaceTest, EmptyOrOutsideRectanglesDrawNothing) {
  MakeNumberedSource(4, 4);
  dest_.SetSize(10, 10);
  const TRect rects[] = {{3, 3, 3, 8},       {3, 3, 8, 3},    {5, 5, 2, 9},
                         {-20, -20, -1, -1}, {10, 0, 20, 10}, {0, 10, 10, 20}};
  for (const auto& r : rects) {
    dest_.FillDeviceColor(0x222222);
    dest_.BlitStretched(r, RectOfSize(4, 4), &source_, false);
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 10; ++x)
        ASSERT_EQ(dest_.ReadPixel(x, y), 0x222222u);
    }
  }
  // An empty source rectangle, a missing source and a source rectangle beyond the source.
  dest_.BlitStretched({0, 0, 5, 5}, {2, 2, 2, 4}, &source_, false);
  dest_.BlitStretched({0, 0, 5, 5}, RectOfSize(4, 4), nullptr, false);
  dest_.BlitStretched({0, 0, 5, 5}, RectOfSize(5, 5), &source_, false);
  EXPECT_EQ(dest_.LastResult(), kResultInvalidRect);
  EXPECT_EQ(dest_.ReadPixel(0, 0), 0x222222u);
}

TEST_F(SurfaceTest, TheColourKeyMatchesExactlyOneRawValue) {
  source_.SetSize(4, 1);
  const uint32_t key = 0x040204;
  source_.WritePixel(0, 0, key);
  source_.WritePixel(1, 0, 0x040205);
  source_.WritePixel(2, 0, 0x030204);
  source_.WritePixel(3, 0, 0x000000);
  source_.SetSourceColorKey(key);
  dest_.SetSize(4, 1);
  dest_.FillDeviceColor(0x777777);
  dest_.BlitStretched(RectOfSize(4, 1), RectOfSize(4, 1), &source_, true);
  EXPECT_EQ(Row(dest_, 0, 0, 4), (std::vector<uint32_t>{0x777777, 0x040205, 0x030204, 0}));
  dest_.FillDeviceColor(0x777777);
  dest_.BlitStretched(RectOfSize(4, 1), RectOfSize(4, 1), &source_, false);
  EXPECT_EQ(dest_.ReadPixel(0, 0), key);
}

TEST_F(SurfaceTest, FillsWriteRawValuesUnconverted) {
  dest_.SetSize(3, 2);
  EXPECT_TRUE(dest_.FillDeviceColor(0x808080));
  EXPECT_EQ(dest_.ReadPixel(2, 1), 0x808080u);
  EXPECT_TRUE(dest_.FillDeviceColor(0x123456));
  EXPECT_EQ(dest_.ReadPixel(0, 0), 0x123456u);
  EXPECT_TRUE(dest_.FillDeviceColor(0xFF654321));  // beyond 24 bits: only the pixel bits count
  EXPECT_EQ(dest_.ReadPixel(1, 1), 0x654321u);
  TDirectDrawSurface none(ddraw_);
  EXPECT_FALSE(none.FillDeviceColor(0));
}

TEST_F(SurfaceTest, EveryLevelOfVectorInstructionsFillsExactlyTheRectangle) {
  const TVectorLevel best = VectorLevel();
  for (const TVectorLevel level : {TVectorLevel::kScalar, TVectorLevel::kSse2, best}) {
    ForceVectorLevel(level);
    for (int width = 1; width <= 19; ++width) {  // shorter than, equal to and between vectors
      dest_.SetSize(24, 3);
      dest_.FillDeviceColor(0x111111);
      dest_.FillRect({2, 1, 2 + width, 2}, 0xABCDEF);
      for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 24; ++x) {
          const bool inside = y == 1 && x >= 2 && x < 2 + width;
          ASSERT_EQ(dest_.ReadPixel(x, y), inside ? 0xABCDEFu : 0x111111u)
              << VectorLevelName(level) << " width " << width << " at " << x << "," << y;
        }
      }
    }
  }
  ForceVectorLevel(best);
}

TEST_F(SurfaceTest, DeviceColorOfConvertsColourIntegersAndRestoresThePixel) {
  dest_.SetSize(2, 2);
  dest_.WritePixel(0, 0, 0xABCDEF);
  EXPECT_EQ(dest_.DeviceColorOf(MakeColour(4, 2, 4)), 0x040204u);
  EXPECT_EQ(dest_.DeviceColorOf(MakeColour(255, 0, 0)), 0xFF0000u);
  EXPECT_EQ(dest_.DeviceColorOf(262660), 0x040204u);
  EXPECT_EQ(dest_.DeviceColorOf(0), 0u);
  EXPECT_EQ(dest_.ReadPixel(0, 0), 0xABCDEFu);
  TDirectDrawSurface none(ddraw_);
  EXPECT_EQ(none.DeviceColorOf(MakeColour(1, 2, 3)), 0u);
}

TEST_F(SurfaceTest, RawPixelAccessIsBoundedAndRefusedWhileLocked) {
  dest_.SetSize(3, 3);
  dest_.WritePixel(-1, 0, 1);
  dest_.WritePixel(3, 0, 1);
  EXPECT_EQ(dest_.ReadPixel(3, 3), 0u);
  EXPECT_EQ(dest_.ReadPixel(-1, -1), 0u);
  dest_.WritePixel(2, 2, 0x010203);
  ASSERT_TRUE(dest_.Lock());
  EXPECT_EQ(dest_.ReadPixel(2, 2), 0u);
  dest_.WritePixel(2, 2, 0);
  dest_.Unlock();
  EXPECT_EQ(dest_.ReadPixel(2, 2), 0x010203u);
}

TEST_F(SurfaceTest, SizesAndFailuresOfSurfaceCreation) {
  dest_.SetSize(0, 5);
  EXPECT_FALSE(dest_.HasInterface());
  EXPECT_EQ(dest_.Width(), 0);
  // A blit into a surface without an interface raises; a canvas on it too.
  MakeNumberedSource(2, 2);
  EXPECT_THROW(dest_.BlitStretched({0, 0, 1, 1}, RectOfSize(2, 2), &source_, false),
               EDirectDrawSurfaceError);
  EXPECT_THROW(dest_.Canvas().TextOut(0, 0, "x"), EDirectDrawSurfaceError);

  // Video memory refused: system memory is tried; refused too: the error.
  TDirectDraw::SetFailureHook([](int32_t, int32_t, bool systemMemory) { return !systemMemory; });
  dest_.SetSize(4, 4);
  EXPECT_TRUE(dest_.HasInterface());
  EXPECT_TRUE(dest_.SystemMemory);
  TDirectDraw::SetFailureHook([](int32_t, int32_t, bool) { return true; });
  try {
    dest_.SetSize(4, 4);
    ADD_FAILURE() << "expected an error";
  } catch (const EDirectDrawSurfaceError& error) {
    EXPECT_STREQ(error.what(), "Surface cannot be made");
  }
  TDirectDraw::SetFailureHook({});
}

TEST_F(SurfaceTest, CanvasTextIsTransparentWithAClearBrush) {
  dest_.SetSize(200, 30);
  dest_.FillDeviceColor(0x404040);
  auto& canvas = dest_.Canvas();
  canvas.BrushStyle = TBrushStyle::bsClear;
  canvas.Font.Color = MakeColour(0, 200, 0);
  canvas.Font.Bold = true;
  canvas.SetFontSize(8);
  EXPECT_EQ(canvas.Font.Height, -11);  // 8 points at 96 dots per inch
  const int width = canvas.TextWidth("Tessarine");
  EXPECT_GT(width, 20);
  canvas.TextOut(5, 5, "Tessarine");
  canvas.Release();
  int inked = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 200; ++x) {
      const uint32_t p = dest_.ReadPixel(x, y);
      if (p == 0x404040) continue;  // the background shows through: no box behind the text
      ++inked;
      const uint32_t r = p >> 16, g = (p >> 8) & 0xFF, b = p & 0xFF;
      EXPECT_TRUE(r <= 0x40 && b <= 0x40 && g >= 0x40) << std::hex << p;  // green over grey
      EXPECT_TRUE(x >= 5 && x < 5 + width + 2) << x;
    }
  }
  EXPECT_GT(inked, 20);
}

}  // namespace
}  // namespace tess
