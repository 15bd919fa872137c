#pragma once
// Everything of the saver that does not need a window of its own: the drawing surface, the glyph
// and background image lists, the frame timer, the sprite placement and the frame routine, over
// one scene state. The full-screen window, each further monitor, a screen-saver daemon's window
// and the headless renderer each put one of these behind their presenter.
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "render/dxdraw.h"
#include "render/dxtimer.h"
#include "render/imagelist.h"
#include "saver/framestats.h"
#include "saver/glyphsink.h"
#include "saver/scenes.h"
#include "settings/settings.h"

namespace tess {

// The credit line at the bottom right of every frame.
extern const char* const kCreditText;

class TSaverEngine : public IGlyphSink {
 public:
  // `rng`: the generator the scene draws from; the program's shared one unless this engine's
  // scene must not disturb the primary screen's sequence.
  explicit TSaverEngine(RandomGenerator& rng = SharedRandom());
  ~TSaverEngine() override;
  TSaverEngine(const TSaverEngine&) = delete;
  TSaverEngine& operator=(const TSaverEngine&) = delete;

  // The components, in the order of the saver form.
  TDXDraw DXD1;
  TDXImageList DXIL1;
  TDXTimer DXT1;
  TDXImageList DXIL2;
  TDXImageList DXIL3;
  TDXImageList DXIL_BG;

  // True when the background picture was loaded at show time and holds a bitmap.
  bool BGPicLoaded = false;

  // W and H of this engine's frames: the primary screen's (read at every use) unless its
  // environment hands in another, such as a daemon's window or another monitor.
  void SetScreenSize(std::function<ScreenSize()> size) { size_ = std::move(size); }
  ScreenSize FrameSize() const;

  // What the show sequence prepares for the frames, in its order: this engine's copy of the
  // settings (bounded by its own size), the glyph colour, the background picture, and the state
  // of the selected scene.
  void PrepareFrames();
  const TSettings& SceneSettings() const { return settings_; }

  // One frame: the steps that came due by the refresh that shows it, then background, scene,
  // credit line, present, then pending messages. While nobody can see this engine's frames it
  // only waits for that refresh, so that the other monitors keep their pace.
  void DXT1Timer(TDXTimer& sender, int32_t lagCount);
  // The same without the pending messages: `steps` scene steps, of which the last is drawn and
  // shown (the others go through the same sequence of draws, which land nowhere). False when
  // the surface was not ready to draw.
  bool DrawFrame(int steps = 1);
  // Runs after each frame is shown, before pending messages, with the frame's steps: the primary
  // screen's engine draws the other monitors' frames here, in the same pace.
  std::function<void(int steps)> AfterFrame;

  // Whether anybody can see this engine's frames. While nobody can, its scene neither steps nor
  // draws; shown again, it goes on from where it stopped.
  void SetShown(bool shown) { shown_ = shown; }
  bool Shown() const { return shown_; }
  // The frame timer stops: nothing of this engine or those drawn after it can be seen.
  void PauseFrames();
  // The frame timer starts again, the steps counted from the coming refresh, none for the pause.
  void ResumeFrames();

  void DrawSim(uint16_t X, uint16_t Y, uint16_t Size, uint16_t Index, uint16_t List) override;

  // Names this engine's monitor in its statistics.
  void SetStatsLabel(std::string label) { stats_.SetLabel(std::move(label)); }

  // The generator the scene draws from, for tests that give their own before the show.
  void SetRandom(RandomGenerator& rng) { rng_ = &rng; }

 private:
  void LoadBackgroundPicture();
  void DrawCredit(TDirectDrawSurface& back, ScreenSize size);
  // The credit line as it fits between the margins: whole where it can be, else cut short with
  // an ellipsis (a tiny screen or window), never running off either edge. Kept for the width.
  const QString& CreditFor(TDirectDrawSurfaceCanvas& canvas, int32_t width);

  TSettings settings_;
  std::function<ScreenSize()> size_;
  std::unique_ptr<TScenes> scenes_;
  RandomGenerator* rng_;
  TFrameStats stats_;
  bool shown_ = true;
  QString credit_;
  int32_t creditWidth_ = -1;
  bool drawing_ = true;  // false while steps run whose draws nobody will see
};

}  // namespace tess
