#include "render/dxdraw.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/errors.h"
#include "render/imagelist.h"
#include "render/imagepresenter.h"

namespace tess {
namespace {

const char* KindName(TDXDrawNotifyKind kind) {
  switch (kind) {
    case TDXDrawNotifyKind::nkDestroying:
      return "Destroying";
    case TDXDrawNotifyKind::nkInitializing:
      return "Initializing";
    case TDXDrawNotifyKind::nkInitialize:
      return "Initialize";
    case TDXDrawNotifyKind::nkInitializeSurface:
      return "InitializeSurface";
    case TDXDrawNotifyKind::nkFinalize:
      return "Finalize";
    case TDXDrawNotifyKind::nkFinalizeSurface:
      return "FinalizeSurface";
    case TDXDrawNotifyKind::nkRestore:
      return "Restore";
    case TDXDrawNotifyKind::nkSurfaceSize:
      return "SurfaceSize";
  }
  return "?";
}

// Writes what it is told into a shared log, prefixed with its name.
class Recorder : public IDXDrawSubscriber {
 public:
  Recorder(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
  void DXDrawNotify(TDXDraw&, TDXDrawNotifyKind kind) override {
    log_.push_back(name_ + ":" + KindName(kind));
  }

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

using Log = std::vector<std::string>;

TEST(TDXDraw, InitialisationNotifiesInOrderFromTheLastSubscriberToTheFirst) {
  TImagePresenter window({64, 48});
  TDXDraw dxdraw;
  dxdraw.SetPresenter(&window);
  Log log;
  Recorder a("a", log), b("b", log);
  dxdraw.Subscribe(&a);
  dxdraw.Subscribe(&b);
  EXPECT_EQ(log, (Log{"a:SurfaceSize", "a:Restore", "b:SurfaceSize", "b:Restore"}));
  log.clear();

  EXPECT_FALSE(dxdraw.ReadyToDraw());
  EXPECT_EQ(dxdraw.BackSurface(), nullptr);
  dxdraw.FormShown();
  EXPECT_EQ(log, (Log{"b:Initializing", "a:Initializing", "b:SurfaceSize", "a:SurfaceSize",
                      "b:Initialize", "a:Initialize", "b:InitializeSurface", "a:InitializeSurface",
                      "b:Restore", "a:Restore"}));
  ASSERT_TRUE(dxdraw.ReadyToDraw());
  EXPECT_EQ(dxdraw.SurfaceWidth(), 64);
  EXPECT_EQ(dxdraw.SurfaceHeight(), 48);
  EXPECT_EQ(dxdraw.BackSurface()->ReadPixel(10, 10), 0u);  // starts black

  // A subscriber that comes late is told what it missed.
  log.clear();
  Recorder late("late", log);
  dxdraw.Subscribe(&late);
  EXPECT_EQ(log,
            (Log{"late:SurfaceSize", "late:Initialize", "late:InitializeSurface", "late:Restore"}));
  log.clear();
  dxdraw.Unsubscribe(&late);
  EXPECT_EQ(log, (Log{"late:FinalizeSurface", "late:Finalize"}));

  log.clear();
  dxdraw.Finalize();
  EXPECT_EQ(log, (Log{"b:FinalizeSurface", "a:FinalizeSurface", "b:Finalize", "a:Finalize"}));
  EXPECT_FALSE(dxdraw.ReadyToDraw());
  dxdraw.Unsubscribe(&a);
  dxdraw.Unsubscribe(&b);
}

TEST(TDXDraw, InitialisationHappensOnceAtTheFirstShowing) {
  TImagePresenter window({8, 8});
  TDXDraw dxdraw;
  dxdraw.SetPresenter(&window);
  dxdraw.Loaded();
  EXPECT_FALSE(dxdraw.Initialized());  // deferred: the control has a window
  dxdraw.FormShown();
  EXPECT_TRUE(dxdraw.Initialized());
  dxdraw.Finalize();
  dxdraw.FormShown();
  EXPECT_FALSE(dxdraw.Initialized());  // no second automatic attempt
}

TEST(TDXDraw, FailuresLeaveTheControlFinalisedForGood) {
  {
    TDXDraw orphan;
    try {
      orphan.FormShown();
      ADD_FAILURE();
    } catch (const EDXDrawError& error) {
      EXPECT_STREQ(error.what(), "Form not found");
    }
    EXPECT_FALSE(orphan.ReadyToDraw());
  }
  TImagePresenter window({16, 16});
  TDXDraw dxdraw;
  dxdraw.SetPresenter(&window);
  TDirectDraw::SetFailureHook([](int32_t, int32_t, bool) { return true; });
  try {
    dxdraw.FormShown();
    ADD_FAILURE();
  } catch (const EDXDrawError& error) {
    EXPECT_STREQ(error.what(), "Surface cannot be made");
  }
  TDirectDraw::SetFailureHook({});
  EXPECT_FALSE(dxdraw.ReadyToDraw());
  EXPECT_EQ(dxdraw.BackSurface(), nullptr);
  dxdraw.FormShown();
  EXPECT_FALSE(dxdraw.ReadyToDraw());
  dxdraw.Flip();
  EXPECT_EQ(window.PresentCount(), 0);
}

TEST(TDXDraw, LostSurfacesAreRestoredBlackAndEveryPictureUploadedAgain) {
  TImagePresenter window({32, 32});
  TDXDraw dxdraw;
  dxdraw.SetPresenter(&window);
  TDXImageList list;
  QImage picture(4, 4, QImage::Format_RGB32);
  picture.fill(qRgb(0, 200, 0));
  list.Items.Add().SetPicture(picture);
  list.SetDXDraw(&dxdraw);
  dxdraw.FormShown();
  auto& item = list.Items.Items(0);
  const TDirectDrawSurface* firstUpload = item.PatternSurface(0);
  ASSERT_NE(firstUpload, nullptr);

  dxdraw.BackSurface()->FillDeviceColor(0x123456);
  QImage red(4, 4, QImage::Format_RGB32);
  red.fill(qRgb(200, 0, 0));
  item.SetPicture(red);  // not uploaded until the next restore
  dxdraw.BackSurface()->MarkLost();
  dxdraw.PrimarySurface()->MarkLost();
  ASSERT_TRUE(dxdraw.ReadyToDraw());
  EXPECT_EQ(dxdraw.BackSurface()->ReadPixel(5, 5), 0u);
  ASSERT_EQ(item.PatternCount(), 1);
  EXPECT_EQ(item.PatternSurface(0)->Pixels().pixel(1, 1) & 0xFFFFFF, 0xC80000u);

  // A surface that will not come back: no frames until it does.
  dxdraw.BackSurface()->MarkLost();
  dxdraw.BackSurface()->SetRestoreFails(true);
  EXPECT_FALSE(dxdraw.ReadyToDraw());
  dxdraw.BackSurface()->SetRestoreFails(false);
  EXPECT_TRUE(dxdraw.ReadyToDraw());
  list.SetDXDraw(nullptr);
}

TEST(TDXDraw, ResizingMakesANewBlackBackSurfaceWithoutUploadingAgain) {
  TImagePresenter window({20, 10});
  TDXDraw dxdraw;
  dxdraw.SetPresenter(&window);
  Log log;
  Recorder r("r", log);
  dxdraw.Subscribe(&r);
  dxdraw.FormShown();
  dxdraw.BackSurface()->FillDeviceColor(0xFFFFFF);
  log.clear();
  dxdraw.ControlResized(30, 0);
  EXPECT_EQ(log, (Log{"r:FinalizeSurface", "r:InitializeSurface", "r:SurfaceSize"}));
  EXPECT_EQ(dxdraw.SurfaceWidth(), 30);
  EXPECT_EQ(dxdraw.SurfaceHeight(), 1);  // at least one pixel
  EXPECT_EQ(dxdraw.BackSurface()->ReadPixel(29, 0), 0u);
  log.clear();
  dxdraw.ControlResized(30, 1);  // no change of size: nothing happens
  EXPECT_TRUE(log.empty());
  dxdraw.Unsubscribe(&r);
}

TEST(TDXDraw, FlipWaitsForTheRefreshThenPresentsTheWholeBackSurfaceCentred) {
  TImagePresenter window({10, 10});
  TDXDraw dxdraw;
  dxdraw.SetPresenter(&window);
  dxdraw.FormShown();
  EXPECT_EQ(dxdraw.PresentOffset(), QPoint(0, 0));
  dxdraw.BackSurface()->FillDeviceColor(0x00FF00);
  dxdraw.Flip();
  EXPECT_EQ(window.VerticalBlankCount(), 1);
  EXPECT_EQ(window.PresentCount(), 1);
  EXPECT_EQ(window.Screen().pixel(9, 9) & 0xFFFFFF, 0x00FF00u);
  dxdraw.Repaint();  // a repaint presents without waiting
  EXPECT_EQ(window.VerticalBlankCount(), 1);
  EXPECT_EQ(window.PresentCount(), 2);
}

TEST(TDXDraw, TheBackSurfaceIsCentredWithATruncatingDivision) {
  TImagePresenter window({11, 11});
  TDXDraw dxdraw;
  dxdraw.SetPresenter(&window);
  dxdraw.FormShown();
  dxdraw.AutoSize = false;
  dxdraw.ControlResized(14, 4);  // 3 wider, 7 lower than the back surface
  EXPECT_EQ(dxdraw.PresentOffset(), QPoint(1, -3));
}

TEST(TDXDraw, EffectiveOptionsOfTheSaverAreWaitForRefreshAndCentre) {
  EXPECT_EQ(DeriveEffectiveOptions(kDefaultDXDrawOptions), doWaitVBlank | doCenter);
  EXPECT_EQ(DeriveEffectiveOptions(doFullScreen | doFlip | doSystemMemory),
            doFullScreen | doSystemMemory);
  EXPECT_EQ(DeriveEffectiveOptions(do3D | doDirectX7Mode | doRetainedMode | doHardware),
            do3D | doDirectX7Mode);
}

TEST(TDXDraw, DestructionTellsSubscribersWhichThenLeave) {
  TDXImageList list;
  {
    TImagePresenter window({4, 4});
    TDXDraw dxdraw;
    dxdraw.SetPresenter(&window);
    list.SetDXDraw(&dxdraw);
    dxdraw.FormShown();
  }
  EXPECT_EQ(list.DXDraw(), nullptr);
}

}  // namespace
}  // namespace tess
