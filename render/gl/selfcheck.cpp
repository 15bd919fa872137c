#include "render/gl/selfcheck.h"

#include <QImage>
#include <chrono>

#include "render/frameexecutor.h"
#include "render/gl/glcomposer.h"
#include "render/surface.h"

namespace tess {

namespace {

constexpr int kWidth = 96, kHeight = 64;

// A picture with a see-through border and a few see-through holes, the key among its colours.
void DrawPicture(TDirectDrawSurface& picture, uint32_t key) {
  picture.SetSize(13, 9);
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 13; ++x) {
      const bool hole = x == 0 || y == 0 || (x + y) % 5 == 0;
      picture.WritePixel(x, y,
                         hole ? key : (uint32_t(x * 19) << 16) | (uint32_t(y * 28) << 8) | 77);
    }
  }
  picture.SetSourceColorKey(key);
}

// Every kind of drawing the saver records, into a deferred surface.
void RecordFrame(TDirectDrawSurface& back, const TDirectDrawSurface& picture) {
  back.FillDeviceColor(0x1E1E1E);
  back.FillRect({5, 3, 40, 30}, 0x00FF00);
  back.BlitStretched({-7, -5, 60, 41}, {1, 1, 12, 8}, &picture, false);  // opaque, clipped
  back.BlitStretched({50, 10, 101, 70}, {0, 0, 13, 9}, &picture, true);  // keyed, enlarged
  back.BlitStretched({20, 40, 27, 45}, {0, 0, 13, 9}, &picture, true);   // keyed, shrunk
  back.BlitStretched({-3, 50, 10, 70}, {2, 3, 11, 9}, &picture, true);   // left and bottom
  TDirectDrawSurfaceCanvas& canvas = back.Canvas();
  canvas.BrushStyle = TBrushStyle::bsClear;
  canvas.Font.Color = 0x00C0FF;
  canvas.SetFontSize(8);
  canvas.TextOut(30, 44, "Tessarine");
}

}  // namespace

TSelfCheck RunSelfCheck(TGlComposer& composer) {
  const auto start = std::chrono::steady_clock::now();
  TSelfCheck result;
  TDirectDraw ddraw;
  TDirectDrawSurface picture(ddraw), onProcessor(ddraw), onDevice(ddraw);
  DrawPicture(picture, 0x0000FF);
  for (TDirectDrawSurface* back : {&onProcessor, &onDevice}) {
    back->SetDeferred(true);
    back->SetSize(kWidth, kHeight);
  }
  onDevice.SetExecutor(&composer);
  RecordFrame(onProcessor, picture);
  RecordFrame(onDevice, picture);
  onProcessor.CommitFrame();
  onDevice.CommitFrame();
  if (onDevice.TakeExecutorFailure()) {
    result.why = "the self-check could not be drawn: " + composer.Error();
  } else if (composer.ReadBack() != onProcessor.Pixels()) {
    result.why = "the self-check frame differs from the processor's";
  } else {
    result.passed = true;
  }
  result.milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return result;
}

}  // namespace tess
