#pragma once
// How frames meet today's displays. HiDPI: a whole-number scale s, so that the scene, the settings
// bounds and the credit line see the screen as W / s x H / s pixels and every frame is shown
// enlarged s times, pixel by pixel. Refresh rates: scenes count their motion in steps of a 60 Hz
// clock, whatever the display's rate (see stepschedule.h).
#include <optional>

namespace tess {

inline constexpr int kMaxScale = 4;
inline constexpr double kTargetStepsPerSecond = 60.0;

// The device pixel ratio rounded to the nearest whole number, 1 below 1.5 (and for nonsense).
int WholeScale(double devicePixelRatio);

// TESSARINE_SCALE=1|2|3|4 when it is set to one of those; nothing otherwise.
std::optional<int> ScaleOverride();

// The scale for a screen: the override, else the whole scale of its pixel ratio.
int DisplayScale(double devicePixelRatio);

// The scale for a desktop that says its font resolution (the Xft.dpi resource; 0 when unset):
// dpi / 96 rounded the same way.
int DisplayScaleForDpi(double dpi);

}  // namespace tess
