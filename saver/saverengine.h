#pragma once
// Everything of the saver that does not need a window of its own: the drawing surface, the glyph
// and background image lists, the frame timer, the sprite placement and the frame routine. The
// full-screen window, a screen-saver daemon's window and the headless renderer each put one of
// these behind their presenter.
#include <QString>
#include <cstdint>

#include "render/dxdraw.h"
#include "render/dxtimer.h"
#include "render/imagelist.h"
#include "saver/framestats.h"
#include "saver/glyphsink.h"
#include "saver/scenes.h"

namespace tess {

// The credit line at the bottom right of every frame.
extern const char* const kCreditText;

class TSaverEngine : public IGlyphSink {
 public:
  TSaverEngine();
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

  // What the show sequence prepares for the frames, in its order: the glyph colour, the
  // background picture, and the state of the selected scene.
  void PrepareFrames();

  // One frame: background, scene, credit line, present, then pending messages.
  void DXT1Timer(TDXTimer& sender, int32_t lagCount);

  void DrawSim(uint16_t X, uint16_t Y, uint16_t Size, uint16_t Index, uint16_t List) override;

  // The generator the scenes draw from: the program's shared one unless a test gives its own.
  void SetRandom(RandomGenerator& rng) { rng_ = &rng; }

 private:
  void LoadBackgroundPicture();
  void InitializeScene();
  void StepScene();
  void DrawCredit(TDirectDrawSurface& back);
  TSceneEnv SceneEnv();

  TScenes scenes_;
  RandomGenerator* rng_;
  TFrameStats stats_;
};

}  // namespace tess
