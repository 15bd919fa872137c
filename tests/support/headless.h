#pragma once
// A saver engine behind an image presenter of a fixed screen size: frames without a window.
#include <memory>

#include "core/screen.h"
#include "render/imagepresenter.h"
#include "saver/saverengine.h"

namespace tess::testing {

class HeadlessSaver {
 public:
  explicit HeadlessSaver(ScreenSize screen);
  ~HeadlessSaver();

  TSaverEngine& engine() { return *engine_; }
  // The show sequence's preparation, then the drawing surface's initialisation.
  void Show();
  // One frame as the frame timer draws it; returns the back surface's pixels.
  const QImage& Frame();
  TDirectDrawSurface& Back() { return *engine_->DXD1.BackSurface(); }

 private:
  ScreenSizeProvider previous_;
  TImagePresenter presenter_;
  std::unique_ptr<TSaverEngine> engine_;
};

}  // namespace tess::testing
