#pragma once
// What a scene sees of the world: the settings, its generator, the size it draws in, and DrawSim.
// Nothing of Qt, so that scenes run headless in tests and the trace tool.
#include "core/random.h"
#include "core/screen.h"
#include "saver/glyphaddress.h"
#include "saver/glyphsink.h"
#include "settings/settings.h"

namespace tess {

struct TSceneEnv {
  const TSettings& settings;
  RandomGenerator& rng;
  IGlyphSink& sink;
  ScreenSize screen;
};

// A pace counter: advances and wraps from above `length` back to 1; the paced action happens
// when it is 1.
inline bool AdvancePace(int32_t& counter, int32_t length) {
  ++counter;
  if (counter > length) counter = 1;
  return counter == 1;
}

// Symbols phase in gradually: one more record wakes when the steps taken so far, at `ratio`
// symbols per step, call for it (compared in extended precision, so an infinite ratio wakes one
// per frame), never more than one per frame and never beyond `target`. Returns whether one woke.
inline bool PhaseInNext(int32_t steps, double ratio, int32_t& active, int32_t target) {
  if (static_cast<long double>(steps) * ratio - active + 1 >= 1 && active < target) {
    ++active;
    return true;
  }
  return false;
}

}  // namespace tess
