#include "tests/support/headless.h"

namespace tess::testing {

HeadlessSaver::HeadlessSaver(ScreenSize screen)
    : previous_(SetScreenSizeProvider([screen] { return screen; })),
      presenter_({screen.W, screen.H}),
      engine_(std::make_unique<TSaverEngine>()) {
  engine_->DXD1.SetPresenter(&presenter_);
}

HeadlessSaver::~HeadlessSaver() {
  engine_.reset();
  SetScreenSizeProvider(previous_);
}

void HeadlessSaver::Show() {
  engine_->PrepareFrames();
  engine_->DXD1.FormShown();
}

const QImage& HeadlessSaver::Frame() {
  engine_->DXT1Timer(engine_->DXT1, 1);
  return engine_->DXD1.BackSurface()->Pixels();
}

}  // namespace tess::testing
