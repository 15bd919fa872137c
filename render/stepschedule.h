#pragma once
// Which refresh shows which scene step. Scenes count their motion in steps of a 60 Hz clock; the
// display refreshes at its own rate. Each refresh that shows a frame runs the steps that came due
// since the last one: none on most refreshes of a fast display, one at 60 Hz, two or three on a
// slow one. So the scenes move at the same speed on every display, as evenly as its refreshes
// allow, and a rate within half a percent of a whole multiple (or fraction) of 60 runs exactly
// every k-th refresh (or k steps a refresh) instead of drifting against it.
#include <cstdint>

namespace tess {

class TStepSchedule {
 public:
  explicit TStepSchedule(double refreshHz);

  struct TFrame {
    int64_t refresh = 0;  // the refresh that shows the frame
    int steps = 0;        // the steps it takes, at least 1
  };

  // The next frame once refresh `current` has begun: the first later refresh on which a step is
  // due. A frame that comes late takes the steps it missed, but never more than one refresh's
  // worth and one more: after a long stall the scene goes on, it does not race.
  TFrame Next(int64_t current);
  // The clock starts again from refresh `current`: the next refresh takes one step, and the
  // time before it counts for nothing (a pause ends without a burst of steps).
  void Restart(int64_t current);

  // The steps per second this schedule keeps at its refresh rate.
  double StepsPerSecond() const;

 private:
  int64_t TicksDueBy(int64_t refresh) const;

  double refreshHz_;
  // Steps per refresh as a ratio of whole numbers, so that k-th refreshes stay exact forever.
  int64_t stepsNumerator_;
  int64_t refreshesDenominator_;
  int maxStepsPerFrame_;
  int64_t origin_ = 0;  // the refresh the clock started at
  int64_t taken_ = 0;   // ticks run since then
};

}  // namespace tess
