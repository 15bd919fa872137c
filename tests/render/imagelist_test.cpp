#include "render/imagelist.h"

#include <gtest/gtest.h>

#include "render/errors.h"
#include "render/imagepresenter.h"

namespace tess {
namespace {

QImage Filled(int w, int h, QRgb colour, QImage::Format format = QImage::Format_RGB888) {
  QImage image(w, h, format);
  image.fill(colour);
  return image;
}

class ImageListTest : public ::testing::Test {
 protected:
  ImageListTest() { dxdraw_.SetPresenter(&window_); }
  ~ImageListTest() override { list_.SetDXDraw(nullptr); }

  TDirectDrawSurface& Back() { return *dxdraw_.BackSurface(); }

  TImagePresenter window_{{40, 40}};
  TDXDraw dxdraw_;
  TDXImageList list_;
};

TEST_F(ImageListTest, ItemsUploadAtInitialisationAndDrawKeyedAndScaled) {
  QImage glyph = Filled(2, 2, qRgb(4, 2, 4));
  glyph.setPixel(0, 0, qRgb(0, 250, 0));
  auto& keyed = list_.Items.Add();
  keyed.SetPicture(glyph);
  keyed.SetTransparentColor(MakeColour(4, 2, 4));
  auto& opaque = list_.Items.Add();
  opaque.SetPicture(glyph);
  opaque.Transparent = false;
  list_.SetDXDraw(&dxdraw_);
  EXPECT_FALSE(keyed.Initialized());
  dxdraw_.FormShown();
  ASSERT_TRUE(keyed.Initialized());
  ASSERT_EQ(keyed.PatternCount(), 1);

  Back().FillDeviceColor(0x808080);
  keyed.DrawStretched(Back(), {0, 0, 10, 10}, 0);
  EXPECT_EQ(Back().ReadPixel(4, 4), 0x00FA00u);  // the top-left quarter, enlarged
  EXPECT_EQ(Back().ReadPixel(5, 5), 0x808080u);  // the key colour is see-through
  opaque.DrawStretched(Back(), {20, 20, 30, 30}, 0);
  EXPECT_EQ(Back().ReadPixel(25, 25), 0x040204u);  // opaque: the whole rectangle is covered
  // Pattern indices outside the item draw nothing.
  Back().FillDeviceColor(0x808080);
  keyed.DrawStretched(Back(), {0, 0, 10, 10}, 1);
  keyed.DrawStretched(Back(), {0, 0, 10, 10}, -1);
  EXPECT_EQ(Back().ReadPixel(0, 0), 0x808080u);
}

TEST_F(ImageListTest, PicturesAssignedLaterWaitForTheNextUploadButKeysActAtOnce) {
  auto& item = list_.Items.Add();
  item.SetPicture(Filled(1, 1, qRgb(10, 20, 30)));
  list_.SetDXDraw(&dxdraw_);
  dxdraw_.FormShown();
  item.SetPicture(Filled(1, 1, qRgb(90, 90, 90)));
  Back().FillDeviceColor(0x010101);
  item.DrawStretched(Back(), {0, 0, 1, 1}, 0);
  EXPECT_EQ(Back().ReadPixel(0, 0), 0x0A141Eu);  // the former pixels
  item.SetTransparentColor(MakeColour(10, 20, 30));
  Back().FillDeviceColor(0x010101);
  item.DrawStretched(Back(), {0, 0, 1, 1}, 0);
  EXPECT_EQ(Back().ReadPixel(0, 0), 0x010101u);  // the new key works at once
}

TEST_F(ImageListTest, AnItemWithoutAPictureHasNoPatternAndDrawsNothing) {
  auto& empty = list_.Items.Add();
  empty.Transparent = false;
  list_.SetDXDraw(&dxdraw_);
  dxdraw_.FormShown();
  EXPECT_EQ(empty.PatternCount(), 0);
  Back().FillDeviceColor(0x333333);
  empty.DrawStretched(Back(), {0, 0, 40, 40}, 0);
  EXPECT_EQ(Back().ReadPixel(20, 20), 0x333333u);
}

TEST_F(ImageListTest, IndicesOutsideTheListRaiseTheListError) {
  list_.Items.Add();
  EXPECT_NO_THROW(list_.Items.Items(0));
  try {
    list_.Items.Items(300);
    ADD_FAILURE();
  } catch (const EListError& error) {
    EXPECT_STREQ(error.what(), "List index out of bounds (300)");
  }
  EXPECT_THROW(list_.Items.Items(-1), EListError);
}

TEST_F(ImageListTest, PatternGridsCutThePictureWithGaps) {
  auto& item = list_.Items.Add();
  QImage strip = Filled(11, 5, qRgb(0, 0, 0));
  strip.setPixel(6, 0, qRgb(255, 255, 255));
  item.SetPicture(strip);
  item.PatternWidth = 5;
  item.SkipWidth = 1;
  list_.SetDXDraw(&dxdraw_);
  dxdraw_.FormShown();
  ASSERT_EQ(item.PatternCount(), 2);
  EXPECT_EQ(item.PatternRect(1), (TRect{6, 0, 11, 5}));
  EXPECT_EQ(item.PatternSurface(1)->Pixels().pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(ImageListTest, AZeroSizedPictureFailsItsUpload) {
  auto& item = list_.Items.Add();
  item.SetPicture(QImage(0, 0, QImage::Format_RGB32));  // a null picture: nothing to upload
  list_.SetDXDraw(&dxdraw_);
  EXPECT_NO_THROW(dxdraw_.FormShown());
  EXPECT_EQ(item.PatternCount(), 0);
}

}  // namespace
}  // namespace tess
