#pragma once
// Before frames go to the graphics device, it draws one small frame that uses every kind of
// drawing (fills, plain and keyed blits that enlarge, shrink and cross every edge, text over
// pictures) and the frame is compared with the processor's. A device that differs by one pixel
// is not used.
#include <string>

namespace tess {

class TGlComposer;

struct TSelfCheck {
  bool passed = false;
  double milliseconds = 0;
  std::string why;  // when not passed
};

// Runs in the context current now; the composer's next frame draws at its own size again.
TSelfCheck RunSelfCheck(TGlComposer& composer);

}  // namespace tess
