#include "render/quickpixel.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>

namespace tess {
namespace {

// A 2 x 2 24-bit BMP file, top-left red, top-right green, bottom-left blue, bottom-right white,
// stored bottom-up (positive height) or top-down (negative height).
QByteArray TwoByTwoBmp(bool topDown) {
  QByteArray bmp;
  auto u16 = [&](int v) { bmp.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
  auto u32 = [&](int v) {
    u16(v & 0xFFFF);
    u16((v >> 16) & 0xFFFF);
  };
  const int rowBytes = 8;  // 2 pixels * 3 bytes, padded to 4
  bmp.append("BM");
  u32(54 + 2 * rowBytes);
  u32(0);
  u32(54);
  u32(40);
  u32(2);
  u32(topDown ? -2 : 2);
  u16(1);
  u16(24);
  u32(0);
  u32(2 * rowBytes);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  const char top[] = {0, 0, char(255), 0, char(255), 0, 0, 0};  // red, green (BGR)
  const char bottom[] = {char(255), 0, 0, char(255), char(255), char(255), 0, 0};  // blue, white
  if (topDown) {
    bmp.append(top, 8).append(bottom, 8);
  } else {
    bmp.append(bottom, 8).append(top, 8);
  }
  return bmp;
}

TEST(TQuickPixel, ReadsTheTopRowFirstWhateverTheFileOrder) {
  for (bool topDown : {false, true}) {
    QImage bitmap;
    ASSERT_TRUE(bitmap.loadFromData(TwoByTwoBmp(topDown), "BMP")) << topDown;
    TQuickPixel pixels(bitmap);
    EXPECT_EQ(bitmap.format(), QImage::Format_BGR888);
    EXPECT_EQ(pixels.ReadPixel(0, 0), 255) << "red, top-down " << topDown;
    EXPECT_EQ(pixels.ReadPixel(1, 0), 65280);
    EXPECT_EQ(pixels.ReadPixel(0, 1), 16711680);
    EXPECT_EQ(pixels.ReadPixel(1, 1), 0xFFFFFF);
  }
}

TEST(TQuickPixel, ConvertsOtherDepthsToTwentyFourBits) {
  for (auto format : {QImage::Format_RGB32, QImage::Format_RGB16, QImage::Format_Indexed8,
                      QImage::Format_ARGB32}) {
    QImage bitmap(3, 2, QImage::Format_RGB32);
    bitmap.fill(qRgb(0, 0, 0));
    bitmap.setPixel(2, 1, qRgb(0, 255, 0));  // exact in every depth
    bitmap = bitmap.convertToFormat(format);
    TQuickPixel pixels(bitmap);
    EXPECT_EQ(pixels.ReadPixel(2, 1), 255 * 256) << format;
    EXPECT_EQ(pixels.ReadPixel(0, 0), 0) << format;
  }
}

TEST(TQuickPixel, WritesOnlyTheLowThreeBytesAndReadsBackUnchanged) {
  QImage bitmap(4, 4, QImage::Format_BGR888);
  bitmap.fill(Qt::black);
  TQuickPixel pixels(bitmap);
  pixels.WritePixel(3, 2, 0x7F123456);
  EXPECT_EQ(pixels.ReadPixel(3, 2), 0x123456);
  EXPECT_EQ(bitmap.pixel(3, 2) & 0xFFFFFF, 0x563412u);  // red 0x56, green 0x34, blue 0x12
  const ColourInt before = pixels.ReadPixel(1, 1);
  pixels.WritePixel(1, 1, before);
  EXPECT_EQ(pixels.ReadPixel(1, 1), before);
}

TEST(TQuickPixel, ABitmapOfHeightZeroHasNoRows) {
  QImage empty;
  TQuickPixel pixels(empty);
  EXPECT_EQ(pixels.RowCount(), 0);
}

}  // namespace
}  // namespace tess
