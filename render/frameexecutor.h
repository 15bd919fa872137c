#pragma once
// The seam between recording a frame and drawing it. The back surface records each frame's
// drawings (see TFrameRecorder); on the processor it draws only what changed, band by band. An
// executor takes the whole recorded frame instead and draws it elsewhere: on the graphics device.
#include <span>

#include "render/framerecorder.h"
#include "render/rect.h"

namespace tess {

// One frame's drawings in drawing order, with the texts they refer to.
struct TRecordedFrame {
  TRect surface;  // the back surface's bounds: the frame's size
  std::span<const TDrawOp> ops;
  std::span<const TTextOp> texts;
};

class IFrameExecutor {
 public:
  virtual ~IFrameExecutor() = default;
  // Draws the whole frame. False when the device failed (lost, out of memory): the frame was not
  // drawn, and the caller draws it, and every later one, on the processor.
  virtual bool Execute(const TRecordedFrame& frame) = 0;
};

}  // namespace tess
