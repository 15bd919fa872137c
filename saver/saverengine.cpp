#include "saver/saverengine.h"

#include <QCoreApplication>
#include <chrono>
#include <exception>

#include "core/colour.h"
#include "core/nearest.h"
#include "core/random.h"
#include "core/screen.h"
#include "saver/background.h"
#include "saver/glyphs.h"
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

TSaverEngine::TSaverEngine() : rng_(&SharedRandom()) {
  for (TDXImageList* list : {&DXIL1, &DXIL2, &DXIL3, &DXIL_BG}) {
    list->SetDXDraw(&DXD1);
  }
  LoadGlyphLists(DXIL1, DXIL2, DXIL3);
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
  // Before the drawing surface exists: the first upload takes the tinted pictures.
  TintGlyphs(Settings.General.SimColor, DXIL1, DXIL2, DXIL3);
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

TSceneEnv TSaverEngine::SceneEnv() {
  return {Settings, *rng_, *this, CurrentScreenSize()};
}

void TSaverEngine::InitializeScene() {
  scenes_.Initialize(SceneEnv());
}

void TSaverEngine::StepScene() {
  scenes_.Step(SceneEnv());
}

void TSaverEngine::DrawSim(uint16_t X, uint16_t Y, uint16_t Size, uint16_t Index, uint16_t List) {
  TDXImageList* const lists[] = {nullptr, &DXIL1, &DXIL2, &DXIL3};
  TDirectDrawSurface* back = DXD1.BackSurface();
  if (List < 1 || List > 3 || back == nullptr) return;
  // X -/+ Size / 2, rounded to the nearest, ties to even: an odd size puts the edges on halves.
  const TRect rect{static_cast<int32_t>(NearestHalf(2 * X - Size)),
                   static_cast<int32_t>(NearestHalf(2 * Y - Size)),
                   static_cast<int32_t>(NearestHalf(2 * X + Size)),
                   static_cast<int32_t>(NearestHalf(2 * Y + Size))};
  try {
    lists[List]->Items.Items(Index).DrawStretched(*back, rect, 0);
  } catch (const std::exception&) {
    // A glyph that cannot be drawn is left out; the frame goes on.
  }
}

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
  const auto start =
      stats_.Enabled() ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point();
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
    const auto flip = stats_.Enabled() ? std::chrono::steady_clock::now() : start;
    DXD1.Flip();
    if (stats_.Enabled()) {
      const double recording = std::chrono::duration<double, std::milli>(flip - start).count();
      stats_.AddFrame(recording + DXD1.LastCommitMilliseconds(), DXD1.LastPresentMilliseconds());
    }
  } catch (const std::exception&) {
    return;  // the next tick starts afresh
  }
  QCoreApplication::processEvents();
}

}  // namespace tess
