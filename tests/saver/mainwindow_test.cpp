#include "saver/mainwindow.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QBuffer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <cstring>

#include "render/dxdrawwidget.h"
#include "render/imagepresenter.h"
#include "render/screensize.h"
#include "saver/background.h"
#include "saver/failurelog.h"
#include "settings/settings.h"
#include "tests/support/tempdir.h"

namespace tess {
namespace {

using testing::TempDir;

class SaverWindowTest : public ::testing::Test {
 public:
  SaverWindowTest() {
    UsePrimaryScreenSize();
    SetDefaults(Settings);
    Settings.General.VarNum = 0;  // no scene: these tests look at the frame around it
  }

  // Shows the saver and waits until its drawing surface is initialised.
  void Show() {
    main_ = std::make_unique<TMain>();
    main_->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main_->Engine().DXD1.Initialized(); }, 5000));
    start_ = main_->StartCursorPos;
  }

  void Send(QEvent& event) { QCoreApplication::sendEvent(main_.get(), &event); }

  void MoveTo(QPoint global) {
    QMouseEvent move(QEvent::MouseMove, QPointF(global), QPointF(global), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    Send(move);
  }

  void Press(Qt::MouseButton button, QEvent::Type type = QEvent::MouseButtonPress) {
    QMouseEvent press(type, QPointF(start_), QPointF(start_), button, button, Qt::NoModifier);
    Send(press);
  }

  bool Open() const { return main_->isVisible(); }

  // One frame, drawn the way the frame timer draws it.
  QImage Frame() {
    auto& engine = main_->Engine();
    engine.DXT1Timer(engine.DXT1, 1);
    return engine.DXD1.BackSurface()->Pixels().copy();
  }

  std::unique_ptr<TMain> main_;
  QPoint start_;
};

TEST_F(SaverWindowTest, ShowingCoversTheScreenHidesTheCursorAndStartsTheTimer) {
  ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
  Show();
  EXPECT_EQ(main_->geometry(), QGuiApplication::primaryScreen()->geometry());
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
  EXPECT_TRUE(main_->Engine().DXT1.Enabled());
  EXPECT_TRUE(main_->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(main_->windowFlags() & Qt::WindowStaysOnTopHint);
  main_->close();
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // the cursor shows again
  EXPECT_FALSE(main_->Engine().DXT1.Enabled());
}

TEST_F(SaverWindowTest, MouseMovementsCloseBeyondFivePixelsOnEitherAxis) {
  const struct {
    QPoint delta;
    bool closes;
  } cases[] = {
      {{0, 0}, false}, {{5, 5}, false}, {{-5, -5}, false}, {{5, -5}, false}, {{6, 0}, true},
      {{0, 6}, true},  {{-6, 0}, true}, {{0, -6}, true},   {{6, 6}, true},   {{100, 3}, true},
  };
  for (const auto& c : cases) {
    Show();
    MoveTo(start_ + c.delta);
    EXPECT_EQ(!Open(), c.closes) << c.delta.x() << "," << c.delta.y();
    main_.reset();
  }
}

TEST_F(SaverWindowTest, DistanceIsAlwaysMeasuredFromTheStart) {
  Show();
  for (int step = 1; step <= 5; ++step)
    MoveTo(start_ + QPoint(step, 0));
  MoveTo(start_);
  MoveTo(start_ + QPoint(-5, 5));
  EXPECT_TRUE(Open());
  MoveTo(start_ + QPoint(-6, 5));
  EXPECT_FALSE(Open());
}

constexpr quint32 kKeyCodeOfA = 38;

TEST_F(SaverWindowTest, KeysAndTheThreeMainButtonsCloseButReleasesAndTheWheelDoNot) {
  const struct {
    const char* what;
    std::function<void(SaverWindowTest&)> act;
    bool closes;
  } cases[] = {
      {"key press",
       [](SaverWindowTest& t) {
         QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
         t.Send(key);
       },
       true},
      // A saver started by a key binding gets that key's repeats and release: not the user's.
      {"key release of a key held at the start",
       [](SaverWindowTest& t) {
         QKeyEvent key(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier);
         t.Send(key);
       },
       false},
      {"repeated press of a key held at the start",
       [](SaverWindowTest& t) {
         t.main_->KeysHeldAtStart.set(kKeyCodeOfA);
         QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, kKeyCodeOfA, 0, 0, "a", true);
         t.Send(key);
       },
       false},
      {"press of a key held at the start, once released",
       [](SaverWindowTest& t) {
         t.main_->KeysHeldAtStart.set(kKeyCodeOfA);
         QKeyEvent up(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, kKeyCodeOfA, 0, 0, "a");
         t.Send(up);
         QKeyEvent down(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, kKeyCodeOfA, 0, 0, "a");
         t.Send(down);
       },
       true},
      {"left press", [](SaverWindowTest& t) { t.Press(Qt::LeftButton); }, true},
      {"right press", [](SaverWindowTest& t) { t.Press(Qt::RightButton); }, true},
      {"middle press", [](SaverWindowTest& t) { t.Press(Qt::MiddleButton); }, true},
      {"left release",
       [](SaverWindowTest& t) { t.Press(Qt::LeftButton, QEvent::MouseButtonRelease); }, false},
      {"back button press", [](SaverWindowTest& t) { t.Press(Qt::BackButton); }, false},
      {"wheel",
       [](SaverWindowTest& t) {
         QWheelEvent wheel(QPointF(t.start_), QPointF(t.start_), QPoint(), QPoint(0, 120),
                           Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
         t.Send(wheel);
       },
       false},
  };
  for (const auto& c : cases) {
    Show();
    c.act(*this);
    EXPECT_EQ(!Open(), c.closes) << c.what;
    main_.reset();
  }
}

TEST_F(SaverWindowTest, TheFirstActivationIsExpectedAndAnyLaterChangeCloses) {
  Show();
  QEvent activate(QEvent::WindowActivate);
  Send(activate);
  QEvent appActivate(QEvent::ApplicationActivate);
  Send(appActivate);
  EXPECT_TRUE(Open());
  QEvent deactivate(QEvent::WindowDeactivate);
  Send(deactivate);
  EXPECT_FALSE(Open());
}

TEST_F(SaverWindowTest, AfterClosingTheHookIsGone) {
  Show();
  QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
  Send(key);
  ASSERT_FALSE(Open());
  main_->show();  // shown again by hand: the show handler does not run twice
  Send(key);
  EXPECT_TRUE(Open());
  main_->close();
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(SaverWindowTest, FramesShowTheBackgroundColourAndTheCreditLineBottomRight) {
  Settings.General.BGColor = MakeColour(76, 76, 76);
  Settings.General.SimColor = 3;
  Show();
  const QImage frame = Frame();
  const QSize size = frame.size();
  EXPECT_EQ(frame.pixel(size.width() / 2, size.height() / 2) & 0xFFFFFF, 0x4C4C4Cu);
  // The credit line: blue ink only in the bottom-right band, ending 4 pixels from the edge.
  int rightmost = -1, top = size.height(), inked = 0;
  for (int y = 0; y < size.height(); ++y) {
    for (int x = 0; x < size.width(); ++x) {
      const QRgb p = frame.pixel(x, y);
      if ((p & 0xFFFFFF) == 0x4C4C4C) continue;
      ++inked;
      EXPECT_GE(qBlue(p), qRed(p)) << x << "," << y;
      rightmost = std::max(rightmost, x);
      top = std::min(top, y);
    }
  }
  EXPECT_GT(inked, 100);
  EXPECT_GE(rightmost, size.width() - 4 - 3);
  EXPECT_LT(rightmost, size.width() - 4 + 1);
  EXPECT_GE(top, size.height() - 11 - 4 - 2);
}

TEST_F(SaverWindowTest, ANonGreyBackgroundColourShowsTheColourItNames) {
  Settings.General.BGColor = MakeColour(200, 10, 30);  // red in the low byte
  Show();
  EXPECT_EQ(Frame().pixel(3, 3) & 0xFFFFFF, 0xC80A1Eu);
}

// A 24-bit BMP file of the given pixels, bottom-up.
QByteArray Bmp(const QImage& picture) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  picture.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP");
  return bytes;
}

// The same pixels stored top-down: a negative height in the header, the rows from the top.
QByteArray TopDownBmp(const QImage& picture) {
  QByteArray bytes = Bmp(picture);
  const qint32 height = picture.height();
  const qint32 negative = -height;
  std::memcpy(bytes.data() + 22, &negative, 4);
  const int rowBytes = (picture.width() * 3 + 3) / 4 * 4;
  qint32 offset = 0;
  std::memcpy(&offset, bytes.constData() + 10, 4);
  QByteArray rows = bytes.mid(offset);
  for (int y = 0; y < height; ++y)
    bytes.replace(offset + y * rowBytes, rowBytes, rows.mid((height - 1 - y) * rowBytes, rowBytes));
  return bytes;
}

// A bitmap file with a header of `infoBytes` (40, or 108 for one with colour masks), the given
// compression and bits per pixel, the colour table or masks in `extra` and the pixel data.
QByteArray BmpFile(qint32 width, qint32 height, quint16 bits, quint32 compression,
                   const QByteArray& extra, const QByteArray& data, quint32 infoBytes = 40) {
  QByteArray header(14 + static_cast<int>(infoBytes), '\0');
  const auto put32 = [&header](int at, quint32 value) {
    std::memcpy(header.data() + at, &value, 4);
  };
  const auto put16 = [&header](int at, quint16 value) {
    std::memcpy(header.data() + at, &value, 2);
  };
  header[0] = 'B';
  header[1] = 'M';
  put32(2, static_cast<quint32>(header.size() + extra.size() + data.size()));
  put32(10, static_cast<quint32>(header.size() + extra.size()));
  put32(14, infoBytes);
  put32(18, static_cast<quint32>(width));
  put32(22, static_cast<quint32>(height));
  put16(26, 1);
  put16(28, bits);
  put32(30, compression);
  put32(34, static_cast<quint32>(data.size()));
  if (infoBytes >= 108) {  // the colour masks, alpha included, of a 32-bit picture
    put32(54, 0x00FF0000);
    put32(58, 0x0000FF00);
    put32(62, 0x000000FF);
    put32(66, 0xFF000000);
  }
  return header + extra + data;
}

// An 8 x 4 run-length bitmap whose data paints its bottom row red and then ends.
QByteArray EarlyEndingRunLengthBmp() {
  QByteArray palette(256 * 4, '\0');
  palette[4 + 2] = static_cast<char>(255);               // index 1: red (blue, green, red, unused)
  const QByteArray data("\x08\x01\x00\x00\x00\x01", 6);  // 8 x index 1, end of line, end
  return BmpFile(8, 4, 8, 1, palette, data);
}

// A 2 x 1 bitmap of 32 bits with an alpha mask: a clear green pixel and an opaque blue one.
QByteArray AlphaBmp() {
  const QByteArray pixels("\x00\xFF\x00\x00\xFF\x00\x00\xFF", 8);  // B G R A
  return BmpFile(2, 1, 32, 3, {}, pixels, 108);
}

TEST_F(SaverWindowTest, BitmapsWithRunsThatEndEarlyOrAnAlphaMaskShowTheirOwnColours) {
  TempDir dir;
  testing::WriteFile(dir / "early.bmp", EarlyEndingRunLengthBmp().toStdString());
  testing::WriteFile(dir / "alpha.bmp", AlphaBmp().toStdString());
  Settings.General.BGColor = MakeColour(50, 60, 70);
  Settings.General.BGPic = true;
  Settings.General.BGPicPath = (dir / "early.bmp").string();
  Show();
  ASSERT_TRUE(main_->Engine().BGPicLoaded);
  QImage frame = Frame();
  // What the file does not paint is the background colour, never what memory held.
  EXPECT_EQ(frame.pixel(5, frame.height() - 2) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(frame.pixel(5, 5) & 0xFFFFFF, 0x323C46u);
  EXPECT_EQ(frame.pixel(frame.width() - 5, frame.height() / 2) & 0xFFFFFF, 0x323C46u);
  main_.reset();
  // Each monitor's saver asks for the same file: it is decoded once, and the pixels shared.
  const std::string early = (dir / "early.bmp").string();
  EXPECT_EQ(LoadBackgroundBitmap(early, 0).constBits(), LoadBackgroundBitmap(early, 0).constBits());
  // A clear pixel keeps its colour: the background is opaque.
  Settings.General.BGPicPath = (dir / "alpha.bmp").string();
  Show();
  ASSERT_TRUE(main_->Engine().BGPicLoaded);
  frame = Frame();
  EXPECT_EQ(frame.pixel(5, 5) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(frame.pixel(frame.width() - 5, 5) & 0xFFFFFF, 0x0000FFu);
}

TEST_F(SaverWindowTest, ABitmapBackgroundIsStretchedOverTheWholeScreen) {
  TempDir dir;
  QImage quarters(2, 2, QImage::Format_RGB32);
  quarters.setPixel(0, 0, qRgb(255, 0, 0));
  quarters.setPixel(1, 0, qRgb(0, 255, 0));
  quarters.setPixel(0, 1, qRgb(0, 0, 255));
  quarters.setPixel(1, 1, qRgb(255, 255, 0));
  const struct {
    const char* name;  // bytes of a file name, not necessarily UTF-8
    QByteArray content;
  } files[] = {
      {"bg.bmp", Bmp(quarters)},
      {"top-down.bmp", TopDownBmp(quarters)},
      {"fond\xe9.bmp", Bmp(quarters)},  // a Latin-1 name
  };
  for (const auto& f : files) {
    testing::WriteFile(dir / f.name, f.content.toStdString());
    Settings.General.BGPic = true;
    Settings.General.BGPicPath = (dir / f.name).string();
    Show();
    ASSERT_TRUE(main_->Engine().BGPicLoaded) << f.name;
    const QImage frame = Frame();
    const int w = frame.width(), h = frame.height();
    EXPECT_EQ(frame.pixel(0, 0) & 0xFFFFFF, 0xFF0000u) << f.name;
    EXPECT_EQ(frame.pixel(w - 1, 0) & 0xFFFFFF, 0x00FF00u) << f.name;
    EXPECT_EQ(frame.pixel(0, h / 2 + 1) & 0xFFFFFF, 0x0000FFu) << f.name;
    EXPECT_EQ(frame.pixel(w / 2 + 1, h / 2 + 1) & 0xFFFFFF, 0xFFFF00u) << f.name;
    EXPECT_EQ(frame.pixel(w / 2 - 1, h / 2 - 1) & 0xFFFFFF, 0xFF0000u) << f.name;
    main_.reset();
  }
}

TEST_F(SaverWindowTest, UnusableBackgroundFilesLeaveTheGreyAndSayWhy) {
  TempDir dir;
  QImage picture(64, 64, QImage::Format_RGB32);
  picture.fill(qRgb(9, 9, 9));
  const std::string bmp = Bmp(picture).toStdString();
  QByteArray png;
  QBuffer pngBuffer(&png);
  pngBuffer.open(QIODevice::WriteOnly);
  picture.save(&pngBuffer, "PNG");
  // A BMP header that claims 60000 x 60000 pixels: far beyond what a background needs.
  std::string huge = bmp.substr(0, 54);
  const int side = 60000;
  for (int i = 0; i < 4; ++i) {
    huge[18 + i] = static_cast<char>((side >> (8 * i)) & 0xFF);
    huge[22 + i] = static_cast<char>((side >> (8 * i)) & 0xFF);
  }
  const struct {
    const char* name;
    std::string content;
    const char* why;
  } files[] = {
      {"truncated.bmp", bmp.substr(0, 100), "is truncated"},
      {"picture.png", png.toStdString(), "is not a Windows bitmap"},
      {"text.bmp", "this is not a picture", "is not a Windows bitmap"},
      {"empty.bmp", "", "is not a Windows bitmap"},
      {"huge.bmp", huge, "is larger than 64 megapixels"},
      {"fifo.bmp", {}, "is not a regular file"},
      // 5792 x 5792 run-length pixels from six bytes: 130 MB for every monitor, if decoded.
      {"bomb.bmp",
       BmpFile(5792, 5792, 8, 1, QByteArray(1024, '\0'), QByteArray("\x00\x00\x00\x01", 4))
           .toStdString(),
       "declares more pixels than its data can hold"},
  };
  std::vector<std::string> lines;
  const FailureListener previous =
      SetFailureListener([&](const std::string& line) { lines.push_back(line); });
  Settings.General.BGColor = MakeColour(50, 50, 50);
  // A FIFO in the picture's place (as if swapped in after the settings were read) must not
  // block: opening it waits for a writer that never comes.
  ASSERT_EQ(::mkfifo((dir / "fifo.bmp").c_str(), 0600), 0);
  for (const auto& f : files) {
    if (std::string(f.name) != "fifo.bmp") testing::WriteFile(dir / f.name, f.content);
    Settings.General.BGPic = true;
    Settings.General.BGPicPath = (dir / f.name).string();
    ResetFailureLog();
    lines.clear();
    Show();
    EXPECT_FALSE(main_->Engine().BGPicLoaded) << f.name;
    EXPECT_EQ(Frame().pixel(10, 10) & 0xFFFFFF, 0x323232u) << f.name;
    ASSERT_EQ(lines.size(), 1u) << f.name;
    EXPECT_NE(lines[0].find(std::string(f.name) + " " + f.why), std::string::npos) << lines[0];
    main_.reset();
  }
  SetFailureListener(previous);
}

// A display that goes away after the first frames.
class FailingPresenter : public TImagePresenter {
 public:
  using TImagePresenter::TImagePresenter;
  bool fail = false;
  void Present(const QImage& back, TPresentParts parts, QPoint offset) override {
    if (fail) throw std::runtime_error("the display went away");
    TImagePresenter::Present(back, parts, offset);
  }
};

TEST(FailureLog, TheFirstFailureOfEachKindIsToldInOneLine) {
  ResetFailureLog();
  std::vector<std::string> lines;
  const FailureListener previous =
      SetFailureListener([&](const std::string& line) { lines.push_back(line); });
  const ScreenSizeProvider previousSize = SetScreenSizeProvider([] { return ScreenSize{64, 48}; });
  SetDefaults(Settings);
  Settings.General.VarNum = 0;
  FailingPresenter display({64, 48});
  TSaverEngine engine;
  engine.DXD1.SetPresenter(&display);
  engine.PrepareFrames();
  engine.DXD1.FormShown();
  engine.DXT1Timer(engine.DXT1, 1);
  EXPECT_TRUE(lines.empty());  // nothing failed yet
  for (int i = 0; i < 3; ++i) {
    engine.DrawSim(10, 10, 20, 300, 1);  // beyond list 1
    display.fail = true;
    engine.DXT1Timer(engine.DXT1, 1);
  }
  display.fail = false;
  engine.DXD1.BackSurface()->SetRestoreFails(true);
  for (int i = 0; i < 3; ++i) {
    engine.DXD1.BackSurface()->MarkLost();
    engine.DXT1Timer(engine.DXT1, 1);
  }
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("a symbol could not be drawn: List index out of bounds (300)"),
            std::string::npos)
      << lines[0];
  EXPECT_NE(lines[1].find("a frame could not be shown: the display went away"), std::string::npos)
      << lines[1];
  EXPECT_NE(lines[2].find("frames are skipped"), std::string::npos) << lines[2];
  engine.DXD1.SetPresenter(nullptr);
  SetScreenSizeProvider(previousSize);
  SetFailureListener(previous);
}

TEST(SaverWindowLifetime, TheDrawingSurfaceAndItsWindowMayGoInEitherOrder) {
  SetDefaults(Settings);
  for (const bool surfaceFirst : {true, false}) {
    auto form = std::make_unique<QWidget>();
    auto engine = std::make_unique<TSaverEngine>();
    new TDXDrawWidget(engine->DXD1, form.get());
    form->resize(64, 48);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    // Neither destructor may reach into the other: the sanitizer build sees any such access.
    if (surfaceFirst) {
      engine.reset();
      form.reset();
    } else {
      form.reset();
      engine.reset();
    }
  }
}

}  // namespace
}  // namespace tess
