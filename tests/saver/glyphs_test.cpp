#include "saver/glyphs.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QtEndian>
#include <cstdlib>
#include <functional>

#include "render/imagelist.h"
#include "settings/settings.h"
#include "tests/support/headless.h"

namespace tess {
namespace {

struct Glyph {
  int group, set, frame;
};

// Every picture the program ships, with its resource path.
std::vector<std::pair<QString, Glyph>> AllPictures() {
  std::vector<std::pair<QString, Glyph>> all;
  for (int group = 1; group <= 15; ++group) {
    for (int frame = 1; frame <= 10; ++frame) {
      if (group <= 9 || group == 15) {
        for (int set = 1; set <= 3; ++set) {
          all.push_back({":/glyphs/" + GlyphFileName(group, set, frame), {group, set, frame}});
          all.push_back(
              {":/glyphs/bright/" + GlyphFileName(group, set, frame), {group, set, frame}});
        }
      }
      all.push_back({":/glyphs/" + GlyphFileName(group, 4, frame), {group, 4, frame}});
    }
  }
  return all;
}

QImage Load(const QString& path) {
  return QImage(path, "BMP").convertToFormat(QImage::Format_RGB32);
}

QImage Normal(int group, int set, int frame) {
  return Load(":/glyphs/" + GlyphFileName(group, set, frame));
}
QImage Bright(int group, int set, int frame) {
  return Load(":/glyphs/bright/" + GlyphFileName(group, set, frame));
}

uint32_t Rgb(const QImage& image, int x, int y) {
  return image.pixel(x, y) & 0xFFFFFF;
}

// Applies f to every pixel position of the image.
void ForEachPixel(const QImage& image, const std::function<void(int, int)>& f) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x)
      f(x, y);
  }
}

TEST(GlyphFiles, AreBottomUp24BitBitmapsWithoutPaletteOfTheRightSize) {
  const auto all = AllPictures();
  ASSERT_EQ(all.size(), 750u);
  for (const auto& [path, glyph] : all) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(path);
    const QByteArray bytes = file.readAll();
    ASSERT_GE(bytes.size(), 54) << qPrintable(path);
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
    const auto i32 = [&](int at) { return qFromLittleEndian<qint32>(bytes.constData() + at); };
    const int size = glyph.set == 4 ? 30 : 20;
    EXPECT_EQ(bytes.left(2), "BM");
    EXPECT_EQ(i32(10), 54) << "pixels right after the headers: no palette";
    EXPECT_EQ(i32(14), 40);
    EXPECT_EQ(i32(18), size) << qPrintable(path);
    EXPECT_EQ(i32(22), size) << "positive height: bottom-up rows " << qPrintable(path);
    EXPECT_EQ(u16(28), 24) << qPrintable(path);
    EXPECT_EQ(i32(30), 0) << "uncompressed";
    EXPECT_EQ(i32(46), 0) << "no colour table";
    EXPECT_EQ(bytes.size(), 54 + size * ((size * 3 + 3) / 4 * 4)) << qPrintable(path);
  }
}

TEST(GlyphLists, HoldTheItemsInOrderWithTheirStoredProperties) {
  testing::HeadlessSaver saver({640, 480});
  auto& e = saver.engine();
  ASSERT_EQ(e.DXIL1.Items.Count(), 300);
  ASSERT_EQ(e.DXIL2.Items.Count(), 300);
  ASSERT_EQ(e.DXIL3.Items.Count(), 150);
  EXPECT_EQ(e.DXIL1.Items.Items(0).Name, "s01_1_01.bmp");
  EXPECT_EQ(e.DXIL1.Items.Items(TurnedIndex(2, 3, 4)).Name, "s02_3_04.bmp");
  EXPECT_EQ(e.DXIL1.Items.Items(299).Name, "s15_3_10.bmp");
  EXPECT_EQ(e.DXIL2.Items.Items(299).Name, "s15_3_10.bmp");
  EXPECT_EQ(e.DXIL3.Items.Items(RampIndex(10, 1)).Name, "s10_4_01.bmp");
  EXPECT_EQ(e.DXIL3.Items.Items(149).Name, "s15_4_10.bmp");
  for (int i = 0; i < 300; ++i) {
    for (auto* list : {&e.DXIL1, &e.DXIL2}) {
      const auto& item = list->Items.Items(i);
      EXPECT_TRUE(item.Transparent);
      EXPECT_EQ(item.PatternWidth, 0);
      EXPECT_EQ(item.Picture().size(), QSize(20, 20));
    }
    EXPECT_EQ(e.DXIL1.Items.Items(i).TransparentColor(), 0);
    EXPECT_EQ(e.DXIL2.Items.Items(i).TransparentColor(), 262660);
  }
  for (int i = 0; i < 150; ++i) {
    EXPECT_EQ(e.DXIL3.Items.Items(i).TransparentColor(), 0);
    EXPECT_EQ(e.DXIL3.Items.Items(i).Picture().size(), QSize(30, 30));
  }
}

TEST(GlyphPictures, BrightCopiesShareTheNormalInkAndHaveAnExactBackground) {
  for (int group : {1, 2, 3, 4, 5, 6, 7, 8, 9, 15}) {
    for (int set = 1; set <= 3; ++set) {
      for (int frame = 1; frame <= 10; ++frame) {
        const QImage normal = Normal(group, set, frame), bright = Bright(group, set, frame);
        int ink = 0;
        ForEachPixel(normal, [&](int x, int y) {
          const bool background = Rgb(normal, x, y) == 0;
          ink += !background;
          // Where the normal picture has no ink the bright one shows exactly its key, and
          // nowhere else: no ink pixel takes the key colour.
          ASSERT_EQ(Rgb(bright, x, y) == 0x040204u, background)
              << GlyphFileName(group, set, frame).toStdString() << " at " << x << "," << y;
        });
        EXPECT_GT(ink, 8) << GlyphFileName(group, set, frame).toStdString();
        for (int i = 0; i < 20; ++i) {  // a dark margin all round
          EXPECT_EQ(Rgb(bright, i, 0), 0x040204u);
          EXPECT_EQ(Rgb(bright, 0, i), 0x040204u);
        }
      }
    }
  }
}

TEST(GlyphPictures, GreenDominatesWithWeakRedAndBlueHighlightsAndTheSetBrightness) {
  const double expectedBrightest[] = {200, 170, 140};
  for (int set = 1; set <= 3; ++set) {
    double brightestSum = 0;
    int pictures = 0;
    for (int group : {1, 2, 3, 4, 5, 6, 7, 8, 9, 15}) {
      for (int frame = 1; frame <= 10; ++frame) {
        const QImage normal = Normal(group, set, frame), bright = Bright(group, set, frame);
        int brightest = 0, brightGreen = 0;
        ForEachPixel(normal, [&](int x, int y) {
          brightest = std::max(brightest, qGreen(normal.pixel(x, y)));
          brightGreen = std::max(brightGreen, qGreen(bright.pixel(x, y)));
        });
        ForEachPixel(normal, [&](int x, int y) {
          const QRgb p = normal.pixel(x, y);
          EXPECT_LT(qRed(p), 110);
          EXPECT_EQ(qRed(p), qBlue(p));
          EXPECT_LE(qRed(p), qGreen(p) * 6 / 10);
          if (qRed(p) > 0) {
            EXPECT_GE(qGreen(p), brightest * 35 / 100) << "red only in highlights";
          }
        });
        EXPECT_LE(brightGreen, 254);
        EXPECT_GE(brightGreen, std::min(254, 2 * brightest - 6)) << "about twice as bright";
        brightestSum += brightest;
        ++pictures;
      }
    }
    EXPECT_NEAR(brightestSum / pictures, expectedBrightest[set - 1], 6) << "set " << set;
  }
}

// Mean absolute difference of green between a and the transformed b, relative to a's mean green.
double Mismatch(const QImage& a, const QImage& b, const std::function<QPoint(QPoint)>& map) {
  double diff = 0, level = 0;
  ForEachPixel(a, [&](int x, int y) {
    const QPoint m = map({x, y});
    diff += std::abs(qGreen(a.pixel(x, y)) - qGreen(b.pixel(m)));
    level += qGreen(a.pixel(x, y));
  });
  return diff / std::max(level, 1.0);
}

TEST(GlyphPictures, TurnsShowTheBackMirroredAndTheHalfTurnUpsideDown) {
  const auto mirror = [](QPoint p) { return QPoint(19 - p.x(), p.y()); };
  const auto flip = [](QPoint p) { return QPoint(p.x(), 19 - p.y()); };
  const auto halfTurn = [](QPoint p) { return QPoint(19 - p.x(), 19 - p.y()); };
  const auto same = [](QPoint p) { return p; };
  for (int group : {1, 2, 3, 4, 5, 6, 7, 8, 9, 15}) {
    const std::string name = GlyphFileName(group, 1, 1).toStdString();
    EXPECT_LT(Mismatch(Normal(group, 1, 1), Normal(group, 1, 6), mirror), 0.03) << name;
    EXPECT_LT(Mismatch(Normal(group, 2, 6), Normal(group, 2, 1), flip), 0.03) << name;
    EXPECT_LT(Mismatch(Normal(group, 3, 6), Normal(group, 3, 1), halfTurn), 0.03) << name;
    // The front view is one drawing in every set, only brighter or darker.
    const QImage front1 = Normal(group, 1, 6), front2 = Normal(group, 2, 1);
    ForEachPixel(front1, [&](int x, int y) {
      EXPECT_EQ(qGreen(front1.pixel(x, y)) == 0, qGreen(front2.pixel(x, y)) == 0) << name;
    });
    // Nearly edge-on frames are much narrower (set 1) or flatter (set 2) than the front view.
    auto extent = [](const QImage& image, bool across) {
      int low = 20, high = -1;
      ForEachPixel(image, [&](int x, int y) {
        if ((image.pixel(x, y) & 0xFFFFFF) == 0) return;
        low = std::min(low, across ? x : y);
        high = std::max(high, across ? x : y);
      });
      return high - low + 1;
    };
    for (int frame : {3, 4, 8, 9}) {
      EXPECT_LE(extent(Normal(group, 1, frame), true), extent(front1, true) / 2 + 1) << name;
      EXPECT_LE(extent(Normal(group, 2, frame), false), extent(front2, false) / 2 + 1) << name;
    }
    (void)same;
  }
}

TEST(GlyphPictures, TheRampIsPureGreenWithEvenStepsAndNoHoles) {
  for (int group = 1; group <= 15; ++group) {
    const QImage top = Normal(group, 4, 10);
    double topSum = 0;
    int peak = 0;
    ForEachPixel(top, [&](int x, int y) {
      topSum += qGreen(top.pixel(x, y));
      peak = std::max(peak, qGreen(top.pixel(x, y)));
    });
    EXPECT_GE(peak, 150) << group;
    EXPECT_LE(peak, 180) << group;
    for (int frame = 1; frame <= 10; ++frame) {
      const QImage picture = Normal(group, 4, frame);
      double sum = 0;
      ForEachPixel(picture, [&](int x, int y) {
        const QRgb p = picture.pixel(x, y);
        EXPECT_EQ(qRed(p), 0);
        EXPECT_EQ(qBlue(p), 0);
        sum += qGreen(p);
        // A dim frame keeps every ink pixel of the bright one: no hole opens in a stroke.
        EXPECT_EQ(qGreen(p) == 0, qGreen(top.pixel(x, y)) == 0) << group << "/" << frame;
      });
      EXPECT_NEAR(sum / topSum, 0.3 + 0.7 * (frame - 1) / 9.0, 0.02) << group << "/" << frame;
    }
  }
}

TEST(Tint, SwapsTheChannelsIntoNewBitmapsAndLeavesTheSourceAlone) {
  QImage source(2, 1, QImage::Format_RGB32);
  source.setPixel(0, 0, qRgb(10, 200, 30));
  source.setPixel(1, 0, qRgb(4, 2, 4));
  const QImage red = GreenToRed(source), blue = GreenToBlue(source);
  EXPECT_EQ(red.depth(), 24);
  EXPECT_EQ(red.pixel(0, 0) & 0xFFFFFF, qRgb(200, 10, 30) & 0xFFFFFFu);
  EXPECT_EQ(blue.pixel(0, 0) & 0xFFFFFF, qRgb(10, 30, 200) & 0xFFFFFFu);
  EXPECT_EQ(red.pixel(1, 0) & 0xFFFFFF, 0x020404u);   // the key's counterpart, 263170
  EXPECT_EQ(blue.pixel(1, 0) & 0xFFFFFF, 0x040402u);  // 132100
  EXPECT_EQ(source.pixel(0, 0) & 0xFFFFFF, qRgb(10, 200, 30) & 0xFFFFFFu);
  EXPECT_EQ(kBrightKeyRed, 263170);
  EXPECT_EQ(kBrightKeyBlue, 132100);
}

TEST(Tint, RecoloursEveryListAndMovesTheBrightKeyAlong) {
  struct Case {
    int simColor;
    ColourInt brightKey;
    std::function<QRgb(QRgb)> expected;
  };
  const Case cases[] = {
      {2, kBrightKey, [](QRgb p) { return p; }},
      {1, kBrightKeyRed, [](QRgb p) { return qRgb(qGreen(p), qRed(p), qBlue(p)); }},
      {3, kBrightKeyBlue, [](QRgb p) { return qRgb(qRed(p), qBlue(p), qGreen(p)); }},
  };
  for (const auto& c : cases) {
    testing::HeadlessSaver saver({640, 480});
    auto& e = saver.engine();
    const QImage before1 = e.DXIL1.Items.Items(123).Picture().convertToFormat(QImage::Format_RGB32);
    const QImage before2 = e.DXIL2.Items.Items(299).Picture().convertToFormat(QImage::Format_RGB32);
    const QImage before3 = e.DXIL3.Items.Items(149).Picture().convertToFormat(QImage::Format_RGB32);
    TintGlyphs(c.simColor, e.DXIL1, e.DXIL2, e.DXIL3);
    const QImage after1 = e.DXIL1.Items.Items(123).Picture().convertToFormat(QImage::Format_RGB32);
    const QImage after2 = e.DXIL2.Items.Items(299).Picture().convertToFormat(QImage::Format_RGB32);
    const QImage after3 = e.DXIL3.Items.Items(149).Picture().convertToFormat(QImage::Format_RGB32);
    for (const auto& [before, after] :
         {std::pair{before1, after1}, std::pair{before2, after2}, std::pair{before3, after3}}) {
      ForEachPixel(before, [&](int x, int y) {
        ASSERT_EQ(after.pixel(x, y) & 0xFFFFFF, c.expected(before.pixel(x, y)) & 0xFFFFFF)
            << c.simColor;
      });
    }
    EXPECT_EQ(e.DXIL2.Items.Items(0).TransparentColor(), c.brightKey);
    EXPECT_EQ(e.DXIL1.Items.Items(0).TransparentColor(), 0);
    EXPECT_EQ(e.DXIL3.Items.Items(0).TransparentColor(), 0);
    // The tinted background still matches the key exactly: no dark square round a head.
    const QRgb corner = after2.pixel(0, 0) & 0xFFFFFF;
    EXPECT_EQ(corner,
              qRgb(RedOf(c.brightKey), GreenOf(c.brightKey), BlueOf(c.brightKey)) & 0xFFFFFFu);
  }
}

// A saver whose list 3 item 0 is an opaque white square, to see exactly where DrawSim draws.
class DrawSimTest : public ::testing::Test {
 protected:
  DrawSimTest() : saver_({200, 120}) {
    SetDefaults(Settings);
    Settings.General.VarNum = 0;
    QImage white(30, 30, QImage::Format_RGB32);
    white.fill(Qt::white);
    saver_.engine().DXIL3.Items.Items(0).SetPicture(white);
    saver_.Show();
    saver_.Back().FillDeviceColor(0);
  }

  // The bounding box of everything drawn, as left, top, right, bottom (exclusive); empty when
  // nothing was drawn.
  TRect Drawn() {
    TRect box{1000, 1000, -1000, -1000};
    bool any = false;
    for (int y = 0; y < 120; ++y) {
      for (int x = 0; x < 200; ++x) {
        if (saver_.Back().ReadPixel(x, y) == 0) continue;
        any = true;
        box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
               std::max(box.Bottom, y + 1)};
      }
    }
    return any ? box : TRect{};
  }

  testing::HeadlessSaver saver_;
};

TEST_F(DrawSimTest, CentresTheSquareWithHalvesRoundedToEven) {
  const struct {
    uint16_t x, y, size;
    TRect expected;
  } cases[] = {
      {100, 50, 30, {85, 35, 115, 65}},
      {8, 50, 15, {0, 42, 16, 58}},    // 0.5 -> 0, 15.5 -> 16: 16 wide
      {22, 50, 15, {14, 42, 30, 58}},  // 14.5 -> 14, 29.5 -> 30
      {23, 51, 15, {16, 44, 30, 58}},  // odd centres: 15.5 -> 16, 30.5 -> 30: 14 wide
      {0, 0, 20, {0, 0, 10, 10}},      // half off the screen
  };
  for (const auto& c : cases) {
    saver_.Back().FillDeviceColor(0);
    saver_.engine().DrawSim(c.x, c.y, c.size, 0, 3);
    EXPECT_EQ(Drawn(), c.expected) << c.x << "," << c.y << " size " << c.size;
  }
}

TEST_F(DrawSimTest, BadListsIndicesAndCentresDrawNothingAndRaiseNothing) {
  auto& engine = saver_.engine();
  EXPECT_NO_THROW(engine.DrawSim(100, 50, 30, 0, 0));
  EXPECT_NO_THROW(engine.DrawSim(100, 50, 30, 0, 4));
  EXPECT_NO_THROW(engine.DrawSim(100, 50, 30, 300, 1));
  EXPECT_NO_THROW(engine.DrawSim(100, 50, 30, 150, 3));
  EXPECT_NO_THROW(engine.DrawSim(static_cast<uint16_t>(-5), 50, 30, 0, 3));  // arrives as 65531
  EXPECT_EQ(Drawn(), TRect{});
  // The rest of the frame is drawn as usual.
  engine.DrawSim(100, 50, 30, 0, 3);
  EXPECT_EQ(Drawn(), (TRect{85, 35, 115, 65}));
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// Glyphs of every list at the sizes the scenes use, over a grey background; with
// TESSARINE_SHOT_DIR set, the frame is kept as glyph-showcase-<colour>.png for a look.
TEST(GlyphShowcase, DrawsEveryListAtTheScenesSizes) {
  for (int colour = 1; colour <= 3; ++colour) {
    SetDefaults(Settings);
    Settings.General.VarNum = 0;
    Settings.General.SimColor = colour;
    Settings.General.BGColor = MakeColour(40, 40, 40);
    testing::HeadlessSaver saver({640, 360});
    saver.Show();
    auto& e = saver.engine();
    saver.Frame();
    auto& back = saver.Back();
    back.FillDeviceColor(0x282828);
    const int sizes[] = {15, 30, 45, 110};
    int x = 20;
    for (int size : sizes) {
      for (int frame = 1; frame <= 10; frame += (size > 45 ? 5 : 1)) {
        e.DrawSim(Low16(x), 40, Low16(size), Low16(TurnedIndex(4, 1, frame)), 1);
        x += size + 4;
        if (x > 600) break;
      }
    }
    x = 20;
    for (int size : sizes) {
      e.DrawSim(Low16(x + size / 2), 200, Low16(size), Low16(RampIndex(13, 10)), 3);
      e.DrawSim(Low16(x + size / 2), 320, Low16(size), Low16(TurnedIndex(9, 3, 1)), 2);
      x += size + 10;
    }
    for (int symbol = 1; symbol <= 15; ++symbol) {
      e.DrawSim(Low16(300 + symbol * 22), 150, 30, Low16(RampIndex(symbol, symbol % 10 + 1)), 3);
      if (symbol <= 10)
        e.DrawSim(Low16(300 + symbol * 22), 260, 30, Low16(TurnedIndex(symbol, 2, 1)), 2);
    }
    // Keyed backgrounds never show: no pixel of list 2's key colour reaches the frame.
    const ColourInt key = colour == 1 ? kBrightKeyRed : colour == 3 ? kBrightKeyBlue : kBrightKey;
    int inked = 0;
    for (int py = 0; py < 360; ++py) {
      for (int px = 0; px < 640; ++px) {
        const uint32_t p = back.ReadPixel(px, py);
        EXPECT_NE(p, RawPixelOf(key));
        inked += p != 0x282828;
      }
    }
    EXPECT_GT(inked, 5000);
    if (const char* dir = std::getenv("TESSARINE_SHOT_DIR")) {
      back.Pixels().save(QString("%1/glyph-showcase-%2.png").arg(dir).arg(colour));
    }
  }
}

}  // namespace
}  // namespace tess
