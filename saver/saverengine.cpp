#include "saver/saverengine.h"

#include <QCoreApplication>
#include <chrono>
#include <exception>

#include "core/colour.h"
#include "core/nearest.h"
#include "core/random.h"
#include "core/screen.h"
#include "render/presenter.h"
#include "saver/background.h"
#include "saver/failurelog.h"
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

TSaverEngine::TSaverEngine(RandomGenerator& rng) : rng_(&rng) {
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

ScreenSize TSaverEngine::FrameSize() const {
  return size_ ? size_() : CurrentScreenSize();
}

void TSaverEngine::PrepareFrames() {
  settings_ = Settings;
  BoundToScreen(settings_, FrameSize());
  // Before the drawing surface exists: the first upload takes the tinted pictures.
  TintGlyphs(settings_.General.SimColor, DXIL1, DXIL2, DXIL3);
  LoadBackgroundPicture();
  scenes_ = std::make_unique<TScenes>(settings_, *rng_, *this, FrameSize());
  scenes_->Initialize();
}

void TSaverEngine::LoadBackgroundPicture() {
  BGPicLoaded = false;
  if (!settings_.General.BGPic) return;
  try {
    TPictureCollectionItem& item = DXIL_BG.Items.Items(0);
    // What a run-length picture leaves unset shows the background colour under it.
    const uint32_t background = RawPixelOf(settings_.General.BGColor);
    std::string problem;
    item.SetPicture(LoadBackgroundBitmap(settings_.General.BGPicPath, background, &problem));
    BGPicLoaded = !item.Picture().isNull();
    if (!BGPicLoaded) {
      ReportFailure(TFailureKind::kBackground, "the background picture " +
                                                   settings_.General.BGPicPath + " " + problem +
                                                   "; the background colour is shown");
    }
  } catch (const std::exception& error) {
    ReportFailure(TFailureKind::kBackground, error.what());
  }
}

void TSaverEngine::DrawSim(uint16_t X, uint16_t Y, uint16_t Size, uint16_t Index, uint16_t List) {
  TDXImageList* const lists[] = {nullptr, &DXIL1, &DXIL2, &DXIL3};
  TDirectDrawSurface* back = DXD1.BackSurface();
  if (!drawing_ || List < 1 || List > 3 || back == nullptr) return;
  // X -/+ Size / 2, rounded to the nearest, ties to even: an odd size puts the edges on halves.
  const TRect rect{static_cast<int32_t>(NearestHalf(2 * X - Size)),
                   static_cast<int32_t>(NearestHalf(2 * Y - Size)),
                   static_cast<int32_t>(NearestHalf(2 * X + Size)),
                   static_cast<int32_t>(NearestHalf(2 * Y + Size))};
  try {
    lists[List]->Items.Items(Index).DrawStretched(*back, rect, 0);
  } catch (const std::exception& error) {
    // A glyph that cannot be drawn is left out; the frame goes on.
    ReportFailure(TFailureKind::kSprite, error.what());
  }
}

const QString& TSaverEngine::CreditFor(TDirectDrawSurfaceCanvas& canvas, int32_t width) {
  if (width == creditWidth_) return credit_;
  creditWidth_ = width;
  const QString text = QString::fromUtf8(kCreditText);
  const int32_t room = width - 2 * kCreditMargin;
  credit_ = text;
  if (canvas.TextWidth(credit_) <= room) return credit_;
  qsizetype low = 0, high = text.size();  // the longest start that fits with its ellipsis
  while (low < high) {
    const qsizetype middle = (low + high + 1) / 2;
    if (canvas.TextWidth(text.left(middle) + QChar(0x2026)) <= room) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  credit_ = text.left(low) + QChar(0x2026);
  return credit_;
}

void TSaverEngine::DrawCredit(TDirectDrawSurface& back, ScreenSize size) {
  TDirectDrawSurfaceCanvas& canvas = back.Canvas();
  canvas.BrushStyle = TBrushStyle::bsClear;
  canvas.Font.Color = CreditColour(settings_.General.SimColor);
  canvas.Font.Bold = true;
  canvas.Font.Italic = true;
  canvas.SetFontSize(kCreditPoints);
  const QString& text = CreditFor(canvas, size.W);
  canvas.TextOut(size.W - canvas.TextWidth(text) - kCreditMargin,
                 size.H + canvas.Font.Height - kCreditMargin, text);
}

bool TSaverEngine::DrawFrame(int steps) {
  // Motion is counted in frames: the lag count is ignored.
  if (!DXD1.ReadyToDraw()) {
    // Before the surface's first initialisation this is expected; after it, frames that are
    // skipped leave the screen frozen.
    if (DXD1.Initialized()) ReportFailure(TFailureKind::kFrame, "the drawing surface is lost");
    return false;
  }
  const auto start =
      stats_.Enabled() ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point();
  TDirectDrawSurface& back = *DXD1.BackSurface();
  const ScreenSize size = FrameSize();
  if (scenes_ && scenes_->Size() != size) scenes_->Resize(size);

  // The background colour is a colour integer; the surface wants its raw pixel value.
  back.FillDeviceColor(RawPixelOf(settings_.General.BGColor));
  if (settings_.General.BGPic && BGPicLoaded) {
    try {
      DXIL_BG.Items.Items(0).DrawStretched(back, RectOfSize(size.W, size.H), 0);
    } catch (const std::exception& error) {
      ReportFailure(TFailureKind::kBackground, error.what());
    }
  }
  if (scenes_) {
    drawing_ = false;
    for (int i = 1; i < steps; ++i)
      scenes_->Step();
    drawing_ = true;
    scenes_->Step();
  }
  try {
    DrawCredit(back, size);
    back.Canvas().Release();
    const auto flip = stats_.Enabled() ? std::chrono::steady_clock::now() : start;
    DXD1.Flip();
    if (stats_.Enabled()) {
      const double recording = std::chrono::duration<double, std::milli>(flip - start).count();
      const IPresenter* presenter = DXD1.Presenter();
      stats_.AddFrame(recording + DXD1.LastCommitMilliseconds(), DXD1.LastPresentMilliseconds(),
                      steps, presenter != nullptr ? presenter->Pacer() : nullptr,
                      presenter != nullptr ? presenter->RendererDescription() : std::string());
    }
  } catch (const std::exception& error) {
    ReportFailure(TFailureKind::kFlip, error.what());
    return false;  // the next tick starts afresh
  }
  return true;
}

void TSaverEngine::DXT1Timer(TDXTimer&, int32_t) {
  IPresenter* presenter = DXD1.Presenter();
  const bool paced =
      presenter != nullptr && (DXD1.EffectiveOptions() & doWaitVBlank) != 0 && DXD1.Initialized();
  const int steps = paced ? presenter->PlanFrame() : 1;
  if (shown_) {
    if (!DrawFrame(steps)) return;
  } else if (paced) {
    presenter->WaitForVerticalBlank();
  }
  if (AfterFrame) AfterFrame(steps);
  QCoreApplication::processEvents();
}

void TSaverEngine::PauseFrames() {
  DXT1.SetEnabled(false);
}

void TSaverEngine::ResumeFrames() {
  if (DXT1.Enabled()) return;
  if (IPresenter* presenter = DXD1.Presenter()) presenter->RestartPacing();
  stats_.Restart();
  DXT1.SetEnabled(true);
}

}  // namespace tess
