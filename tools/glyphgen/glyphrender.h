#pragma once
// Renders the glyph pictures: each shape is drawn as brush strokes at sixteen times the picture's
// resolution, shaded (stroke centres bright, edges soft, light from the top left), turned as the
// set and frame ask, and reduced by area averaging, which gives clean anti-aliasing. Everything is
// plain arithmetic on our own buffers, so the output is the same bytes on every run.
#include <QImage>
#include <vector>

#include "tools/glyphgen/shapes.h"

namespace tess::glyphgen {

// One view of a shape at picture resolution: ink coverage, shaded intensity (premultiplied by
// coverage) and highlight (likewise), each from 0 to 1.
struct View {
  int size = 0;
  std::vector<float> coverage;
  std::vector<float> intensity;
  std::vector<float> highlight;
  float lighting = 1.0f;  // how much light the turned plate catches
};

enum class Turn { kVertical = 1, kHorizontal = 2, kPlane = 3, kNone = 4 };

// The view of `shape` in `turn` at `frame` (1 to 10), for a picture of size x size pixels.
View RenderView(const Shape& shape, Turn turn, int frame, int size);

// The four kinds of picture the saver ships.
QImage NormalPicture(const View& view, float peakGreen);  // list 1: green on black
QImage BrightPicture(const View& view, float peakGreen);  // list 2: doubled, on (4, 2, 4)
QImage RampPicture(const View& view, int frame);          // list 3: pure green ramp

// The brightest green a normal picture of this view would get for a peak of 1.
float BrightestLevel(const View& view);

}  // namespace tess::glyphgen
