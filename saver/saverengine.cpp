#include "saver/saverengine.h"

#include <QCoreApplication>
#include <exception>

#include "core/colour.h"
#include "core/screen.h"
#include "saver/background.h"
#include "settings/settings.h"

namespace tess {

const char* const kCreditText =
    "Tessarine by Kestrane - Windows ScreenSaver for https://kestrane.org/tessarine";

namespace {

constexpr int32_t kCreditMargin = 4;
constexpr int32_t kCreditPoints = 8;
constexpr int kCreditLevel = 200;

ColourInt CreditColour(int32_t simColor) {
  switch (simColor) {
    case 1:
      return MakeColour(kCreditLevel, 0, 0);
    case 3:
      return MakeColour(0, 0, kCreditLevel);
    default:
      return MakeColour(0, kCreditLevel, 0);
  }
}

}  // namespace

TSaverEngine::TSaverEngine() {
  for (TDXImageList* list : {&DXIL1, &DXIL2, &DXIL3, &DXIL_BG})
    list->SetDXDraw(&DXD1);
  // The background list holds one opaque item, empty until a picture is loaded.
  TPictureCollectionItem& background = DXIL_BG.Items.Add();
  background.Transparent = false;

  DXT1.SetEnabled(false);
  DXT1.SetInterval(0);
  DXT1.ActiveOnly = true;
  DXT1.OnTimer = [this](TDXTimer& sender, int32_t lagCount) { DXT1Timer(sender, lagCount); };
  DXT1.Loaded();
}

TSaverEngine::~TSaverEngine() {
  DXT1.SetEnabled(false);
}

void TSaverEngine::PrepareFrames() {
  LoadBackgroundPicture();
  InitializeScene();
}

void TSaverEngine::LoadBackgroundPicture() {
  BGPicLoaded = false;
  if (!Settings.General.BGPic) return;
  try {
    TPictureCollectionItem& item = DXIL_BG.Items.Items(0);
    item.SetPicture(LoadBackgroundBitmap(QString::fromStdString(Settings.General.BGPicPath)));
    BGPicLoaded = !item.Picture().isNull();
  } catch (const std::exception&) {
    // No picture: the frames show the background colour only, without a message.
  }
}

void TSaverEngine::InitializeScene() {}

void TSaverEngine::StepScene() {}

void TSaverEngine::DrawSim(uint16_t, uint16_t, uint16_t, uint16_t, uint16_t) {}

void TSaverEngine::DrawCredit(TDirectDrawSurface& back) {
  const ScreenSize screen = CurrentScreenSize();
  TDirectDrawSurfaceCanvas& canvas = back.Canvas();
  canvas.BrushStyle = TBrushStyle::bsClear;
  canvas.Font.Color = CreditColour(Settings.General.SimColor);
  canvas.Font.Bold = true;
  canvas.Font.Italic = true;
  canvas.SetFontSize(kCreditPoints);
  const QString text = QString::fromUtf8(kCreditText);
  canvas.TextOut(screen.W - canvas.TextWidth(text) - kCreditMargin,
                 screen.H + canvas.Font.Height - kCreditMargin, text);
}

void TSaverEngine::DXT1Timer(TDXTimer&, int32_t) {
  // Motion is counted in frames: the lag count is ignored.
  if (!DXD1.ReadyToDraw()) return;
  TDirectDrawSurface& back = *DXD1.BackSurface();
  const ScreenSize screen = CurrentScreenSize();

  // The background colour is a colour integer; the surface wants its raw pixel value.
  back.FillDeviceColor(RawPixelOf(Settings.General.BGColor));
  if (Settings.General.BGPic && BGPicLoaded) {
    try {
      DXIL_BG.Items.Items(0).DrawStretched(back, RectOfSize(screen.W, screen.H), 0);
    } catch (const std::exception&) {
    }
  }
  StepScene();
  try {
    DrawCredit(back);
    back.Canvas().Release();
    DXD1.Flip();
  } catch (const std::exception&) {
    return;  // the next tick starts afresh
  }
  QCoreApplication::processEvents();
}

}  // namespace tess
